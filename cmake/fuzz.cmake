# libFuzzer targets (clang only), built in their own folder by scripts/fuzz:
#   cmake -DVR_FUZZ=ON ...  (with the sanitizers of the native build)
# Every target is declared once, by its subsystem's native.cmake:
#   vr_fuzz_target(<name> SOURCES <fuzz main and what it compiles itself>
#                  [DEFINITIONS ...] [LIBRARIES ...] SEEDS <seed generator sources>)
# giving <name>_fuzz (the fuzzer) and <name>_fuzz_seeds OUT_DIR (writes the
# starting corpus, made by the project's own code). Without VR_FUZZ the call
# does nothing.
option(VR_FUZZ "build the native libFuzzer targets" OFF)
if(VR_FUZZ)
  # Coverage for everything compiled here, the shared library of readers too.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
set_property(GLOBAL PROPERTY VR_FUZZ_TARGETS "")

function(vr_fuzz_target name)
  cmake_parse_arguments(F "" "" "SOURCES;DEFINITIONS;LIBRARIES;SEEDS" ${ARGN})
  if(NOT VR_FUZZ)
    return()
  endif()
  add_executable(${name}_fuzz ${F_SOURCES})
  target_include_directories(${name}_fuzz PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name}_fuzz PRIVATE ${F_DEFINITIONS})
  target_link_options(${name}_fuzz PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name}_fuzz PRIVATE ${F_LIBRARIES})

  add_executable(${name}_fuzz_seeds ${F_SEEDS})
  target_include_directories(${name}_fuzz_seeds PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name}_fuzz_seeds PRIVATE vr_pure)
  set_property(GLOBAL APPEND PROPERTY VR_FUZZ_TARGETS ${name})
endfunction()

# Lists the targets for scripts/fuzz, in declaration order.
function(vr_write_fuzz_target_list)
  get_property(names GLOBAL PROPERTY VR_FUZZ_TARGETS)
  if(VR_FUZZ)
    string(REPLACE ";" "\n" lines "${names}")
    file(WRITE ${CMAKE_BINARY_DIR}/fuzz_targets.txt "${lines}\n")
  endif()
endfunction()
