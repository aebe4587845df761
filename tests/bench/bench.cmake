# Benchmarks: built with everything, run by scripts/bench (never by CTest).
add_executable(wait_cpu_bench tests/bench/wait_cpu_bench.cpp $<TARGET_OBJECTS:vr_resources>)
target_link_libraries(wait_cpu_bench PRIVATE vr_lib)
