vr_wine_test(app_tests
  tests/app/about_splash_test.cpp
  tests/app/main_window_test.cpp
  tests/app/scan_run_test.cpp
  tests/app/settings_test.cpp
  tests/support/app_fixture.cpp)

# Trees only the Linux side can make (links, over-long paths) for the walk tests.
set(VR_WALK_TREE ${CMAKE_BINARY_DIR}/walk-tree)
add_test(NAME walk_tree_setup COMMAND ${CMAKE_SOURCE_DIR}/tests/app/make_walk_tree.sh ${VR_WALK_TREE})
set_tests_properties(walk_tree_setup PROPERTIES FIXTURES_SETUP walktree TIMEOUT 60)
string(REPLACE "/" "\\" VR_WALK_TREE_WIN "Z:${VR_WALK_TREE}")
set_tests_properties(app_tests PROPERTIES FIXTURES_REQUIRED "wine;walktree" ENVIRONMENT "VR_WALK_TREE=${VR_WALK_TREE_WIN}")

# The stress run, small here; scripts/stress runs it at full size.
vr_wine_test(stress_tests tests/app/stress_test.cpp tests/support/app_fixture.cpp)
string(REPLACE "/" "\\" VR_SAMPLES_PICTURES_WIN "Z:${CMAKE_SOURCE_DIR}/samples/pictures")
set_tests_properties(stress_tests PROPERTIES FIXTURES_REQUIRED "wine;walktree"
  ENVIRONMENT "VR_WALK_TREE=${VR_WALK_TREE_WIN};VR_SAMPLES=${VR_SAMPLES_PICTURES_WIN};VR_STRESS_FILES=300")
