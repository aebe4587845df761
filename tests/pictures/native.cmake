vr_native_test(pictures_native_tests
  tests/pictures/bmp_format_test.cpp
  tests/pictures/icon_directory_test.cpp
  tests/pictures/icon_pixels_test.cpp
  tests/pictures/metafile_header_test.cpp
  tests/pictures/metafile_records_test.cpp
  tests/pictures/jpeg_decoder_test.cpp
  tests/png/png_test_encoder.cpp)
