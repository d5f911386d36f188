# The tests' Prompts, for the windows' tests.
if(TONVARRA_BUILD_GUI)
    add_library(tonvarra_test_gui_support STATIC
        ${CMAKE_CURRENT_LIST_DIR}/answering_prompts.cpp
        ${CMAKE_CURRENT_LIST_DIR}/answering_prompts.h)
    target_include_directories(tonvarra_test_gui_support PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(tonvarra_test_gui_support PUBLIC Qt6::Core GTest::gtest)
endif()
