vr_wine_test(pictures_tests
  tests/pictures/bitmap_load_test.cpp
  tests/pictures/bitmap_surface_test.cpp
  tests/pictures/bmp_format_test.cpp
  tests/pictures/picture_test_support.cpp)
