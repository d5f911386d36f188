# The real program's latency, loss and resource use (bench_program). It drives
# the release tonvarra with the servers and clients the e2e tests use, which
# come from tests/ (bench/CMakeLists.txt makes them when the tests are not built).
if(TARGET tonvarra)
    pkg_check_modules(BENCH_PROGRAM_JACK REQUIRED IMPORTED_TARGET jack)
    pkg_check_modules(BENCH_PROGRAM_X REQUIRED IMPORTED_TARGET x11 xtst)

    add_executable(bench_program ${CMAKE_CURRENT_LIST_DIR}/program_bench.cpp)
    target_link_libraries(bench_program PRIVATE tonvarra_test_program tonvarra_test_jack tonvarra_test_x_support
        PkgConfig::BENCH_PROGRAM_JACK PkgConfig::BENCH_PROGRAM_X Threads::Threads)
    target_include_directories(bench_program PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_compile_definitions(bench_program PRIVATE TONVARRA_EXECUTABLE="$<TARGET_FILE:tonvarra>")
    # It measures the program as it is built now.
    add_dependencies(bench_program tonvarra)
endif()
