# The PNG codec. Pure C++ (no <windows.h>): messages and exceptions, CRC,
# the zlib link, chunks and their registry, the header and colour chunks,
# text chunks, image data decoding and encoding, the load loop, and the
# decoder of icon images stored as PNG data.
set(PNG_PURE
  png_messages.cpp
  png_crc.cpp
  png_zlib.cpp
  png_chunk.cpp
  png_header_chunk.cpp
  png_colour_chunks.cpp
  png_text_chunks.cpp
  png_image_data.cpp
  png_image_writer.cpp
  png_core.cpp
  png_icon_image.cpp)
# The Windows side: the image class (its bitmaps DIB sections) and drawing.
set(PNG_WIN
  png_object_win.cpp
  png_drawing_win.cpp)
