# The picture framework: the abstract image and its errors, the format
# registry and picture holder, the built-in formats, the image view, and
# the bitmap with its canvas, drawing and pixel surface. It stands on the
# system; its readers live in a folder each (bmp/, icon/, metafile/, jpeg/).
# The bitmap model every reader builds: pure.
set(PICTURES_PURE
  dib.cpp)
set(PICTURES_WIN
  bitmap.cpp
  bitmap_canvas.cpp
  bitmap_draw.cpp
  bitmap_gdi.cpp
  bitmap_surface.cpp
  builtin_formats.cpp
  graphic.cpp
  image_view.cpp
  picture.cpp)
