vr_native_test(pictures_native_tests
  tests/pictures/bmp_format_test.cpp
  tests/pictures/icon_directory_test.cpp
  tests/pictures/metafile_header_test.cpp
  tests/pictures/jpeg_decoder_test.cpp
  tests/pictures/jpeg_encoder_test.cpp)

# libFuzzer target over the JPEG decoder core (configure with -DVR_FUZZ=ON).
option(VR_FUZZ "build the libFuzzer targets" OFF)
if(VR_FUZZ)
  # The decoder core is compiled into the target so that it is instrumented.
  add_executable(jpeg_fuzz tests/pictures/jpeg_fuzz.cpp src/pictures/jpeg_callbacks.cpp src/pictures/jpeg_decoder.cpp
    src/pictures/jpeg_progress.cpp ${PLATFORM_PURE} ${PLATFORM_POSIX})
  target_include_directories(jpeg_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(jpeg_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(jpeg_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_libraries(jpeg_fuzz PRIVATE JPEG::JPEG)
endif()
