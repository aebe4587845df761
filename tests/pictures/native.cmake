vr_native_test(pictures_native_tests
  tests/pictures/bmp_format_test.cpp
  tests/pictures/icon_directory_test.cpp
  tests/pictures/icon_pixels_test.cpp
  tests/pictures/metafile_header_test.cpp
  tests/pictures/jpeg_decoder_test.cpp
  tests/pictures/jpeg_encoder_test.cpp
  tests/pictures/metafile_records_test.cpp
  tests/png/png_test_encoder.cpp)

option(VR_FUZZ "build the libFuzzer targets" OFF)
if(VR_FUZZ)
  # libFuzzer target over the JPEG decoder core, compiled in so that it is instrumented.
  add_executable(jpeg_fuzz tests/pictures/jpeg_fuzz.cpp src/pictures/jpeg_callbacks.cpp src/pictures/jpeg_decoder.cpp
    src/pictures/jpeg_progress.cpp ${PLATFORM_PURE} ${PLATFORM_POSIX})
  target_include_directories(jpeg_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(jpeg_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(jpeg_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_libraries(jpeg_fuzz PRIVATE JPEG::JPEG)
  # libFuzzer target over the icon and metafile readers and record checks.
  add_executable(icon_metafile_fuzz tests/pictures/icon_metafile_fuzz.cpp
    src/pictures/icon_directory.cpp src/pictures/icon_pixels.cpp src/pictures/metafile_header.cpp
    src/pictures/metafile_records.cpp ${PNG_PURE} ${PLATFORM_PURE} ${PLATFORM_POSIX})
  target_include_directories(icon_metafile_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_definitions(icon_metafile_fuzz PRIVATE VR_FUZZING)
  target_compile_options(icon_metafile_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(icon_metafile_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_libraries(icon_metafile_fuzz PRIVATE ZLIB::ZLIB)
endif()
