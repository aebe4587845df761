vr_wine_test(gif_tests
  tests/gif/gif_animation_test.cpp
  tests/gif/gif_image_test.cpp
  tests/gif/gif_scan_test.cpp
  tests/gif/gif_wine_support.cpp
  tests/pictures/picture_test_support.cpp
  tests/support/app_fixture.cpp)
# GCC 12 takes the test writer's inlined vector inserts for overflows.
target_compile_options(gif_tests PRIVATE -Wno-stringop-overflow)
