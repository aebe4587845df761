set(CONTROLS_WIN
  folder_controls.cpp
  spin_edit.cpp)
