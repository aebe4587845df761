vr_native_test(gif_native_tests
  tests/gif/gif_reader_test.cpp
  tests/gif/gif_lzw_test.cpp
  tests/gif/gif_render_test.cpp
  tests/gif/gif_exercise.cpp
  tests/gif/gif_regressions_test.cpp)
target_include_directories(gif_native_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/gif)
target_compile_definitions(gif_native_tests PRIVATE VR_GIF_REGRESSIONS="${CMAKE_SOURCE_DIR}/tests/gif/regressions")

# The GIF reader and frame rendering.
vr_fuzz_target(gif
  SOURCES tests/gif/gif_fuzz.cpp tests/gif/gif_exercise.cpp
  LIBRARIES vr_pure
  SEEDS tests/gif/gif_fuzz_seeds.cpp)

# What the reader makes of every file of a folder, for comparing two builds
# of the decoder over a fuzz corpus (not a test).
add_executable(gif_digest tests/gif/gif_digest.cpp)
target_include_directories(gif_digest PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(gif_digest PRIVATE vr_pure)
