vr_native_test(pictures_native_tests
  tests/pictures/bmp_format_test.cpp
  tests/pictures/icon_directory_test.cpp
  tests/pictures/icon_pixels_test.cpp
  tests/pictures/metafile_header_test.cpp
  tests/pictures/jpeg_decoder_test.cpp
  tests/pictures/jpeg_encoder_test.cpp
  tests/pictures/metafile_records_test.cpp
  tests/png/png_test_encoder.cpp
  tests/pictures/reader_exercise.cpp
  tests/pictures/regressions_test.cpp)
target_compile_definitions(pictures_native_tests PRIVATE VR_PICTURES_REGRESSIONS="${CMAKE_SOURCE_DIR}/tests/pictures/regressions")

# The pure picture readers, each as the picture classes drive it.
foreach(reader bmp icon metafile jpeg)
  vr_fuzz_target(${reader}
    SOURCES tests/pictures/${reader}_fuzz.cpp tests/pictures/reader_exercise.cpp
    LIBRARIES vr_pure
    SEEDS tests/pictures/${reader}_fuzz_seeds.cpp)
endforeach()
