# Icons: the directory, the choice of entry and the image's pixels are pure;
# the icon class and the system icon it makes stand on the system.
set(ICON_PURE
  icon_directory.cpp
  icon_pixels.cpp)
set(ICON_WIN
  icon_win.cpp
  icon_handle_win.cpp)
