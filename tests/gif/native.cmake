vr_native_test(gif_native_tests
  tests/gif/gif_reader_test.cpp
  tests/gif/gif_lzw_test.cpp
  tests/gif/gif_render_test.cpp)

# The GIF reader and frame rendering.
vr_fuzz_target(gif
  SOURCES tests/gif/gif_fuzz.cpp
  LIBRARIES vr_pure
  SEEDS tests/gif/gif_fuzz_seeds.cpp)
