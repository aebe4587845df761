vr_native_test(png_native_tests
  tests/png/png_test_encoder.cpp
  tests/png/png_container_test.cpp
  tests/png/png_header_test.cpp
  tests/png/png_decode_test.cpp)

# libFuzzer target over the loader, with chunk CRCs unchecked. It compiles the
# codec itself so that VR_FUZZING reaches it.
option(VR_FUZZ "build the libFuzzer targets" OFF)
if(VR_FUZZ)
  add_executable(png_fuzz tests/png/png_fuzz.cpp ${PNG_PURE} ${PLATFORM_PURE} ${PLATFORM_POSIX})
  target_include_directories(png_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_definitions(png_fuzz PRIVATE VR_FUZZING)
  target_compile_options(png_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(png_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_libraries(png_fuzz PRIVATE ZLIB::ZLIB)
endif()

# Writes the PNG pictures of samples/pictures: png_sample_maker samples/pictures
add_executable(png_sample_maker tests/png/png_sample_maker.cpp tests/png/png_test_encoder.cpp)
target_include_directories(png_sample_maker PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(png_sample_maker PRIVATE vr_pure)
