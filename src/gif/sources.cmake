# The GIF codec: reader, LZW decoder, frame pixels and dithering are pure;
# the GDI side (image class, bitmaps, palettes, drawing, painter) comes later.
set(GIF_PURE
  gif_stream_io.cpp
  gif_color_map.cpp
  gif_extensions.cpp
  gif_image_core.cpp
  gif_lzw.cpp
  gif_dither.cpp
  gif_dib_writer.cpp
  gif_frame_render.cpp)
set(GIF_WIN)
