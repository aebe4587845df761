# The PNG picture class under Wine: drawing, queries, copying, loading
# through the picture holder and showing PNG files in a scan run.
vr_wine_test(png_tests
  tests/png/png_test_encoder.cpp
  tests/png/png_draw_support.cpp
  tests/png/png_drawing_test.cpp
  tests/png/png_object_test.cpp
  tests/png/png_loading_test.cpp
  tests/support/app_fixture.cpp)
# The sample pictures are read from the source tree (Z: is the Linux root).
target_compile_definitions(png_tests PRIVATE VR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
