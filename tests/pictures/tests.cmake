vr_wine_test(pictures_tests
  tests/pictures/bitmap_load_test.cpp
  tests/pictures/bitmap_surface_test.cpp
  tests/pictures/bmp_format_test.cpp
  tests/pictures/damaged_icon_metafile_test.cpp
  tests/pictures/icon_metafile_files.cpp
  tests/pictures/icon_test.cpp
  tests/pictures/image_view_test.cpp
  tests/pictures/jpeg_app_test.cpp
  tests/pictures/jpeg_image_test.cpp
  tests/pictures/jpeg_support.cpp
  tests/pictures/jpeg_test_files.cpp
  tests/pictures/metafile_test.cpp
  tests/pictures/picture_test.cpp
  tests/pictures/picture_test_support.cpp
  tests/pictures/scan_icon_metafile_test.cpp
  tests/pictures/scan_pictures_test.cpp
  tests/png/png_test_encoder.cpp
  tests/support/app_fixture.cpp)
# The sample pictures are read from the source tree (Z: is the Linux root).
target_compile_definitions(pictures_tests PRIVATE VR_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

# Writes the icon and metafile pictures of samples/pictures, under Wine:
#   wine picture_sample_maker.exe FOLDER
add_executable(picture_sample_maker EXCLUDE_FROM_ALL
  tests/pictures/picture_sample_maker.cpp
  tests/pictures/icon_metafile_files.cpp
  tests/png/png_test_encoder.cpp)
target_include_directories(picture_sample_maker PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(picture_sample_maker PRIVATE vr_lib)
