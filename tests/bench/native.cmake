# Native benchmarks (run by scripts/bench in a Release build without
# sanitizers): our codecs against libpng, giflib and libjpeg-turbo.
find_package(PNG QUIET)
find_library(VR_GIFLIB gif)
find_path(VR_GIFLIB_INCLUDE gif_lib.h)
if(PNG_FOUND AND VR_GIFLIB AND VR_GIFLIB_INCLUDE AND NOT VR_FUZZ)
  add_executable(codec_bench tests/bench/codec_bench.cpp tests/png/png_test_encoder.cpp)
  target_include_directories(codec_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/tests/png
    ${CMAKE_SOURCE_DIR}/tests/gif ${VR_GIFLIB_INCLUDE})
  target_link_libraries(codec_bench PRIVATE vr_pure PNG::PNG ${VR_GIFLIB})
  # The photo-like files are made from this sample.
  target_compile_definitions(codec_bench PRIVATE VR_PHOTO_SOURCE="${CMAKE_SOURCE_DIR}/samples/pictures/harbour_dusk.jpg")
endif()
