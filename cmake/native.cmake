# The native build: the pure readers with AddressSanitizer and
# UndefinedBehaviorSanitizer, their tests, fuzz targets and benchmarks.

option(VR_SANITIZE "build with address and undefined-behaviour sanitizers" ON)
add_compile_options(-Wall -Wextra -Wno-unused-parameter)
if(VR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

include(cmake/fuzz.cmake)

find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
# Debian's libdeflate-dev; the static library, as in the cross build.
find_path(VR_DEFLATE_INCLUDE libdeflate.h REQUIRED)
find_library(VR_DEFLATE_LIBRARY NAMES libdeflate.a deflate REQUIRED)
add_library(vr_deflate STATIC IMPORTED)
set_target_properties(vr_deflate PROPERTIES
  IMPORTED_LOCATION ${VR_DEFLATE_LIBRARY} INTERFACE_INCLUDE_DIRECTORIES ${VR_DEFLATE_INCLUDE})

add_library(vr_pure STATIC ${VR_PURE_SOURCES} ${PLATFORM_POSIX})
target_include_directories(vr_pure PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vr_pure PUBLIC vr_deflate ZLIB::ZLIB JPEG::JPEG)

function(vr_native_test name)
  add_executable(${name} ${ARGN} tests/test_main.cpp)
  target_include_directories(${name} PRIVATE ${DOCTEST_INCLUDE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE vr_pure)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

vr_include_tests(native)
vr_write_fuzz_target_list()
include(tests/bench/native.cmake)
