vr_wine_test(controls_tests
  tests/controls/folder_list_test.cpp
  tests/controls/folder_path_test.cpp
  tests/controls/drive_combo_test.cpp
  tests/controls/spin_edit_test.cpp
  tests/controls/spin_button_test.cpp
  tests/support/app_fixture.cpp)

# Not a test: the main window with the folder controls on show, for the
# screenshot that tests/controls/screenshot.sh takes under Xvfb.
add_executable(controls_screen tests/controls/screen_demo.cpp $<TARGET_OBJECTS:vr_resources>)
target_link_libraries(controls_screen PRIVATE vr_lib)
