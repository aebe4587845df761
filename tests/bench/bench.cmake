# Benchmarks: built with everything, run by scripts/bench (never by CTest).
add_executable(wait_cpu_bench tests/bench/wait_cpu_bench.cpp $<TARGET_OBJECTS:vr_resources>)
target_link_libraries(wait_cpu_bench PRIVATE vr_lib)

# The first draw of a 24-megapixel JPEG against a plain libjpeg loop.
add_executable(jpeg_decode_bench tests/bench/jpeg_decode_bench.cpp tests/bench/jpeg_plain_decode.cpp
  tests/pictures/jpeg_test_files.cpp)
target_include_directories(jpeg_decode_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(jpeg_decode_bench PRIVATE vr_lib)

# The folder walk over a large tree and where its time goes (scripts/bench
# makes the tree and times find over it).
add_executable(walk_bench tests/bench/walk_bench.cpp $<TARGET_OBJECTS:vr_resources>)
target_link_libraries(walk_bench PRIVATE vr_lib)

# The peak working set while one large picture is shown.
add_executable(memory_bench tests/bench/memory_bench.cpp $<TARGET_OBJECTS:vr_resources>)
target_link_libraries(memory_bench PRIVATE vr_lib psapi)
