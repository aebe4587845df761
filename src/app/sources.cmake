set(APP_WIN
  main_form.cpp
  scan_run.cpp
  settings_store.cpp)
