# The bitmap file reader: headers, colour table and pixel bytes. Pure; the
# framework's bitmap class makes the DIB section from what it reads.
set(BMP_PURE
  bmp_format.cpp)
