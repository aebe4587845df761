# The cross build: vistaroam.exe, tools and the Wine-run tests.

set(ZLIB_USE_STATIC_LIBS ON)  # libz.dll.a would make the program need zlib1.dll
find_package(ZLIB REQUIRED)

set(VR_JPEG_DIR ${CMAKE_SOURCE_DIR}/.cache/libjpeg-turbo/mingw CACHE PATH "libjpeg-turbo built for MinGW")
add_library(vr_jpeg STATIC IMPORTED)
set_target_properties(vr_jpeg PROPERTIES
  IMPORTED_LOCATION ${VR_JPEG_DIR}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${VR_JPEG_DIR}/include)

set(VR_DEFLATE_DIR ${CMAKE_SOURCE_DIR}/.cache/libdeflate/mingw CACHE PATH "libdeflate built for MinGW")
add_library(vr_deflate STATIC IMPORTED)
set_target_properties(vr_deflate PROPERTIES
  IMPORTED_LOCATION ${VR_DEFLATE_DIR}/lib/libdeflate.a
  INTERFACE_INCLUDE_DIRECTORIES ${VR_DEFLATE_DIR}/include)

add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type -Wno-restrict)

add_library(vr_lib STATIC ${VR_PURE_SOURCES} ${VR_WIN_SOURCES})
target_include_directories(vr_lib PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(vr_lib PUBLIC vr_jpeg vr_deflate ZLIB::ZLIB
  user32 gdi32 comctl32 winmm advapi32 kernel32 msimg32 mpr)
target_link_options(vr_lib INTERFACE -static -static-libgcc -static-libstdc++)

# Resources are linked as objects into every executable that loads them.
add_library(vr_resources OBJECT resources/vistaroam.rc)
# The .rc names its pictures; a changed picture rebuilds the resources.
file(GLOB VR_RESOURCE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/*.bmp
  ${CMAKE_SOURCE_DIR}/resources/*.ico ${CMAKE_SOURCE_DIR}/resources/*.jpg ${CMAKE_SOURCE_DIR}/resources/*.manifest)
set_source_files_properties(resources/vistaroam.rc PROPERTIES
  OBJECT_DEPENDS "${VR_RESOURCE_FILES}")

add_executable(vistaroam WIN32 src/main.cpp $<TARGET_OBJECTS:vr_resources>)
target_link_libraries(vistaroam PRIVATE vr_lib)

# --- tests under Wine --------------------------------------------------------
set(VR_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(VR_TEST_ENV
  WINEPREFIX=${VR_WINEPREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
  HOME=${CMAKE_BINARY_DIR}/winehome TZ=UTC LANG=C.UTF-8)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env -u DISPLAY ${VR_TEST_ENV} wine)

# A persistent wineserver for the whole test run: without it wineserver holds
# CTest's output pipe for seconds after every test.
string(JOIN " " VR_TEST_ENV_WORDS ${VR_TEST_ENV})
# Wine's background services start with the first program; start them here
# with their output away from CTest, so they never hold a test's output pipe.
add_test(NAME wineserver_start COMMAND /bin/sh -c
  "env ${VR_TEST_ENV_WORDS} wineserver -p120 </dev/null >/dev/null 2>&1; env -u DISPLAY ${VR_TEST_ENV_WORDS} wine cmd.exe /c exit </dev/null >/dev/null 2>&1; true")
add_test(NAME wineserver_stop COMMAND /bin/sh -c "env ${VR_TEST_ENV_WORDS} wineserver -k; true")
set_tests_properties(wineserver_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 60)
set_tests_properties(wineserver_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)

# The test framework is header-only; copy just its folder so that the cross
# compiler does not see the rest of the native /usr/include.
set(VR_DOCTEST_ONLY ${CMAKE_BINARY_DIR}/doctest-include)
file(COPY ${DOCTEST_INCLUDE_DIR}/doctest DESTINATION ${VR_DOCTEST_ONLY})

# vr_wine_test(NAME sources...): one doctest executable run under Wine.
function(vr_wine_test name)
  add_executable(${name} ${ARGN} tests/test_main.cpp $<TARGET_OBJECTS:vr_resources>)
  target_include_directories(${name} PRIVATE ${VR_DOCTEST_ONLY} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE vr_lib)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
endfunction()

vr_include_tests(tests)

add_test(NAME exe_imports COMMAND ${CMAKE_SOURCE_DIR}/tests/check_imports.sh $<TARGET_FILE:vistaroam>)
set_tests_properties(exe_imports PROPERTIES TIMEOUT 60)

include(tests/bench/bench.cmake)
include(tools/tools.cmake)
