# Load and save of a large hotkey file.
add_executable(bench_store ${CMAKE_CURRENT_LIST_DIR}/store_bench.cpp)
target_link_libraries(bench_store PRIVATE tonvarra_store benchmark::benchmark)
