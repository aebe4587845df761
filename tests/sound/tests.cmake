vr_wine_test(sound_tests
  tests/sound/media_player_test.cpp
  tests/sound/media_bar_test.cpp
  tests/sound/sound_scan_test.cpp
  tests/sound/sound_media.cpp
  tests/support/app_fixture.cpp)
# The sounds under samples/ are test media too (MP3 and WMA cannot be made in
# the test itself).
target_compile_definitions(sound_tests PRIVATE VR_SAMPLES_DIR="${CMAKE_SOURCE_DIR}/samples")
