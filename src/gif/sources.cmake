# The GIF codec: reader, LZW decoder, frame pixels and dithering are pure;
# the image class, frame bitmaps, palettes, drawing and the animation
# painter stand on the system.
set(GIF_PURE
  gif_stream_io.cpp
  gif_color_map.cpp
  gif_extensions.cpp
  gif_image_core.cpp
  gif_lzw.cpp
  gif_dither.cpp
  gif_dib_writer.cpp
  gif_frame_render.cpp)
set(GIF_WIN
  gif_frame_bitmap_win.cpp
  gif_image_win.cpp
  gif_painter_win.cpp
  gif_painter_clock_win.cpp)
