# Source lists by subsystem: each folder of src/ lists its files in its own
# sources.cmake as <NAME>_PURE (no <windows.h>; also built natively for
# sanitizers, fuzzing and benchmarks) and <NAME>_WIN (the Win32 side).

set(VR_SUBSYSTEMS platform app pictures gif png sound controls)
set(VR_PURE_SOURCES)
set(VR_WIN_SOURCES)
foreach(sub ${VR_SUBSYSTEMS})
  string(TOUPPER ${sub} SUB)
  set(${SUB}_PURE)
  set(${SUB}_WIN)
  if(EXISTS ${CMAKE_SOURCE_DIR}/src/${sub}/sources.cmake)
    include(${CMAKE_SOURCE_DIR}/src/${sub}/sources.cmake)
  endif()
  list(TRANSFORM ${SUB}_PURE PREPEND src/${sub}/)
  list(TRANSFORM ${SUB}_WIN PREPEND src/${sub}/)
  list(APPEND VR_PURE_SOURCES ${${SUB}_PURE})
  list(APPEND VR_WIN_SOURCES ${${SUB}_WIN})
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
