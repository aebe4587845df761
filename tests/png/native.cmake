vr_native_test(png_native_tests
  tests/png/png_test_encoder.cpp
  tests/png/png_container_test.cpp
  tests/png/png_header_test.cpp
  tests/png/png_decode_test.cpp
  tests/png/png_exercise.cpp
  tests/png/png_regressions_test.cpp)
target_include_directories(png_native_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/png)
target_compile_definitions(png_native_tests PRIVATE VR_PNG_REGRESSIONS="${CMAKE_SOURCE_DIR}/tests/png/regressions")

# The loader with chunk CRCs unchecked: it compiles the codec itself so that
# VR_FUZZING reaches it.
vr_fuzz_target(png
  SOURCES tests/png/png_fuzz.cpp tests/png/png_exercise.cpp ${PNG_PURE} ${PICTURES_PURE} ${PLATFORM_PURE} ${PLATFORM_POSIX}
  DEFINITIONS VR_FUZZING
  LIBRARIES vr_deflate ZLIB::ZLIB
  SEEDS tests/png/png_fuzz_seeds.cpp tests/png/png_test_encoder.cpp)

# Writes the PNG pictures of samples/pictures: png_sample_maker samples/pictures
add_executable(png_sample_maker tests/png/png_sample_maker.cpp tests/png/png_test_encoder.cpp)
target_include_directories(png_sample_maker PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(png_sample_maker PRIVATE vr_pure)

# What the loader makes of every file of a folder, with chunk CRCs unchecked
# as in the fuzz target, for comparing two builds of the decoder over a fuzz
# corpus (not a test).
add_executable(png_digest tests/png/png_digest.cpp ${PNG_PURE} ${PICTURES_PURE} ${PLATFORM_PURE} ${PLATFORM_POSIX})
target_include_directories(png_digest PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_compile_definitions(png_digest PRIVATE VR_FUZZING)
target_link_libraries(png_digest PRIVATE vr_deflate ZLIB::ZLIB)
