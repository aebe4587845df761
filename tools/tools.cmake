# Command-line tools built on the program's own code.
add_executable(render tools/render.cpp tools/render_frames.cpp $<TARGET_OBJECTS:vr_resources>)
target_include_directories(render PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(render PRIVATE vr_lib)

# The renderer answers in one line, also for files it cannot show.
string(REPLACE "/" "\\\\" VR_SAMPLES_WIN "Z:${CMAKE_SOURCE_DIR}/samples/pictures")
string(REPLACE "/" "\\\\" VR_RENDER_OUT "Z:${CMAKE_BINARY_DIR}/render-test.bmp")
add_test(NAME render_png COMMAND render "${VR_SAMPLES_WIN}\\\\rings_key.png" "${VR_RENDER_OUT}" --transparent)
add_test(NAME render_missing COMMAND render "${VR_SAMPLES_WIN}\\\\missing.bmp" "${VR_RENDER_OUT}")
set_tests_properties(render_png PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 60
  PASS_REGULAR_EXPRESSION "^OK 96x96 TPNGObject")
set_tests_properties(render_missing PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 60 WILL_FAIL FALSE
  PASS_REGULAR_EXPRESSION "^EFOpenError: Cannot open file Z:.*missing.bmp")
