# JPEG: the link to libjpeg (source and error manager), decoding, encoding
# and progress are pure; the image class stands on the system.
set(JPEG_PURE
  jpeg_callbacks.cpp
  jpeg_decoder.cpp
  jpeg_encoder.cpp
  jpeg_progress.cpp)
set(JPEG_WIN
  jpeg_image_win.cpp)
