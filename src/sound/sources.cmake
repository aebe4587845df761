set(SOUND_WIN
  media_player.cpp)
