# Source lists by folder: each folder of src/ lists its files in its own
# sources.cmake as <NAME>_PURE (no <windows.h>; also built natively for
# sanitizers, fuzzing and benchmarks) and <NAME>_WIN (the Win32 side).
# NAME is the folder's own name in capitals: pictures/icon lists ICON_PURE
# and ICON_WIN.

# The subsystems; the picture framework holds one folder per reader.
set(VR_SUBSYSTEMS platform app pictures gif png sound controls)
set(VR_PICTURE_READERS pictures/bmp pictures/icon pictures/metafile pictures/jpeg)

set(VR_PURE_SOURCES)
set(VR_WIN_SOURCES)
foreach(folder ${VR_SUBSYSTEMS} ${VR_PICTURE_READERS})
  get_filename_component(name ${folder} NAME)
  string(TOUPPER ${name} NAME)
  set(${NAME}_PURE)
  set(${NAME}_WIN)
  if(EXISTS ${CMAKE_SOURCE_DIR}/src/${folder}/sources.cmake)
    include(${CMAKE_SOURCE_DIR}/src/${folder}/sources.cmake)
  endif()
  list(TRANSFORM ${NAME}_PURE PREPEND src/${folder}/)
  list(TRANSFORM ${NAME}_WIN PREPEND src/${folder}/)
  list(APPEND VR_PURE_SOURCES ${${NAME}_PURE})
  list(APPEND VR_WIN_SOURCES ${${NAME}_WIN})
endforeach()
list(TRANSFORM PLATFORM_POSIX PREPEND src/platform/)

# Test lists: tests/<subsystem>/tests.cmake (under Wine) and
# tests/<subsystem>/native.cmake (native, sanitizers).
macro(vr_include_tests kind)
  foreach(sub ${VR_SUBSYSTEMS})
    if(EXISTS ${CMAKE_SOURCE_DIR}/tests/${sub}/${kind}.cmake)
      include(${CMAKE_SOURCE_DIR}/tests/${sub}/${kind}.cmake)
    endif()
  endforeach()
endmacro()
