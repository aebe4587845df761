set(SOUND_PURE
  media_buttons.cpp
  wave_format.cpp)
set(SOUND_WIN
  media_player.cpp
  media_player_bar.cpp)
