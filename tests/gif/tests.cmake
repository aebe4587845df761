vr_wine_test(gif_tests
  tests/gif/gif_animation_test.cpp
  tests/gif/gif_image_test.cpp
  tests/gif/gif_scan_test.cpp
  tests/gif/gif_wine_support.cpp
  tests/pictures/picture_test_support.cpp
  tests/support/app_fixture.cpp
  tools/render_frames.cpp)
# The renderer's frame steps are tested here; they live with the tools.
target_include_directories(gif_tests PRIVATE ${CMAKE_SOURCE_DIR})
# GCC 12 takes the test writer's inlined vector inserts for overflows.
target_compile_options(gif_tests PRIVATE -Wno-stringop-overflow)

# Frame pacing in real time (scripts/bench), not a test.
add_executable(gif_timing_bench tests/gif/gif_timing_bench.cpp $<TARGET_OBJECTS:vr_resources>)
target_include_directories(gif_timing_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(gif_timing_bench PRIVATE vr_lib)
target_compile_options(gif_timing_bench PRIVATE -Wno-stringop-overflow)
