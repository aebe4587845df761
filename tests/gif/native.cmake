vr_native_test(gif_native_tests
  tests/gif/gif_reader_test.cpp
  tests/gif/gif_lzw_test.cpp
  tests/gif/gif_render_test.cpp)

# libFuzzer target over the GIF reader and frame rendering (clang only).
option(VR_FUZZ "build the native libFuzzer targets" OFF)
if(VR_FUZZ)
  add_executable(gif_fuzz tests/gif/gif_fuzz.cpp ${GIF_PURE} ${PLATFORM_PURE} ${PLATFORM_POSIX})
  target_include_directories(gif_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(gif_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_options(gif_fuzz PRIVATE -fsanitize=fuzzer)
endif()

# Decoding speed against giflib (Debian's libgif-dev), when it is there.
find_library(VR_GIFLIB gif)
find_path(VR_GIFLIB_INCLUDE gif_lib.h)
if(VR_GIFLIB AND VR_GIFLIB_INCLUDE)
  add_executable(gif_decode_bench tests/gif/gif_decode_bench.cpp)
  target_include_directories(gif_decode_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests ${VR_GIFLIB_INCLUDE})
  target_link_libraries(gif_decode_bench PRIVATE vr_pure ${VR_GIFLIB})
endif()
