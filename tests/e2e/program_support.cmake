# The real program as a test starts it, and a look at its windows; shared by
# the e2e tests and the program's benchmark (which builds without the tests).
add_library(tonvarra_test_program STATIC
    ${CMAKE_CURRENT_LIST_DIR}/program_windows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/program_windows.h
    ${CMAKE_CURRENT_LIST_DIR}/tonvarra_process.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tonvarra_process.h)
pkg_check_modules(TONVARRA_TEST_PROGRAM_X11 REQUIRED IMPORTED_TARGET x11)
target_include_directories(tonvarra_test_program PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(tonvarra_test_program PRIVATE PkgConfig::TONVARRA_TEST_PROGRAM_X11)
