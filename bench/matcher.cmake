# The matcher's benchmarks: matching cost by table size, the in-process latency
# from the driver's callback to the first key event, and the key repeat's period.

add_executable(bench_matcher ${CMAKE_CURRENT_LIST_DIR}/matcher_bench.cpp)
target_link_libraries(bench_matcher PRIVATE tonvarra_core tonvarra_test_keys_support
    tonvarra_test_midi_support benchmark::benchmark Threads::Threads)
target_include_directories(bench_matcher PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)

add_executable(bench_matcher_key_repeat ${CMAKE_CURRENT_LIST_DIR}/matcher_key_repeat_bench.cpp)
target_link_libraries(bench_matcher_key_repeat PRIVATE tonvarra_core tonvarra_test_keys_support
    benchmark::benchmark Threads::Threads)
target_include_directories(bench_matcher_key_repeat PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
