# tonvarra_add_gtest(name [QT] LABELS unit [tsan] SOURCES a.cpp ... LIBS lib ... [ENVIRONMENT VAR=value ...] [TIMEOUT s])
# One GoogleTest executable whose cases CTest lists one by one at test time.
function(tonvarra_add_gtest name)
    cmake_parse_arguments(T "QT" "TIMEOUT" "LABELS;SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    if(T_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
        list(APPEND T_ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set(env ${T_ENVIRONMENT}
        "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1"
        "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0"
        "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
        "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1"
        "TONVARRA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        TEST_LIST ${name}_TESTS
        PROPERTIES TIMEOUT ${T_TIMEOUT})
    # List values (two labels, several variables) lose their separators on the way
    # through gtest_discover_tests, so a second label became a property name; they
    # are set on the discovered tests once CTest knows them.
    set(props "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
    # Tests that start their own JACK and X servers run one at a time: JACK
    # servers started side by side by separate processes disturb each other.
    set(lock "")
    if("e2e" IN_LIST T_LABELS)
        set(lock "RESOURCE_LOCK servers")
    endif()
    file(WRITE "${props}" "if(${name}_TESTS)\n  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS [==[${T_LABELS}]==] ENVIRONMENT [==[${env}]==] ${lock})\nendif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${props}")
endfunction()
