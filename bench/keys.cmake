# SendKeys throughput and allocations per call.
add_executable(bench_sendkeys ${CMAKE_CURRENT_LIST_DIR}/sendkeys_bench.cpp)
target_link_libraries(bench_sendkeys PRIVATE tonvarra_keys benchmark::benchmark)
# The counting operator new/delete pair is malloc/free on purpose.
target_compile_options(bench_sendkeys PRIVATE -Wno-mismatched-new-delete)
