set(APP_WIN
  about_box.cpp
  splash_form.cpp
  start_picture.cpp
  main_form.cpp
  scan_run.cpp
  settings_store.cpp
  start_up.cpp)
