# Metafiles: the headers and the check of every record are pure; the
# metafile class, its handle and its playback stand on the system.
set(METAFILE_PURE
  metafile_header.cpp
  metafile_records.cpp)
set(METAFILE_WIN
  metafile_win.cpp
  metafile_playback_win.cpp)
