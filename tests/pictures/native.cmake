vr_native_test(pictures_native_tests
  tests/pictures/bmp_format_test.cpp
  tests/pictures/icon_directory_test.cpp
  tests/pictures/icon_pixels_test.cpp
  tests/pictures/metafile_header_test.cpp
  tests/pictures/metafile_records_test.cpp
  tests/pictures/jpeg_decoder_test.cpp
  tests/png/png_test_encoder.cpp)

# libFuzzer target over the icon and metafile readers and record checks (clang only).
option(VR_FUZZ "build the native libFuzzer targets" OFF)
if(VR_FUZZ)
  add_executable(icon_metafile_fuzz tests/pictures/icon_metafile_fuzz.cpp
    src/pictures/icon_directory.cpp src/pictures/icon_pixels.cpp src/pictures/metafile_header.cpp
    src/pictures/metafile_records.cpp ${PNG_PURE} ${PLATFORM_PURE} ${PLATFORM_POSIX})
  target_include_directories(icon_metafile_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_definitions(icon_metafile_fuzz PRIVATE VR_FUZZING)
  target_compile_options(icon_metafile_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(icon_metafile_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_libraries(icon_metafile_fuzz PRIVATE ZLIB::ZLIB)
endif()
