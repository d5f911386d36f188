# The recording keyboard port, and the Xvfb fixture with its test X client.
add_library(tonvarra_test_keys_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/recording_keyboard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recording_keyboard.h
)
target_include_directories(tonvarra_test_keys_support PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(tonvarra_test_keys_support PUBLIC tonvarra_keys)

# The Xvfb fixture and the test X client that records the keys reaching its window.
add_library(tonvarra_test_x_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/x_key_recorder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/x_key_recorder.h
    ${CMAKE_CURRENT_LIST_DIR}/xvfb_server.cpp
    ${CMAKE_CURRENT_LIST_DIR}/xvfb_server.h
)
pkg_check_modules(TONVARRA_TEST_X11 REQUIRED IMPORTED_TARGET x11)
target_include_directories(tonvarra_test_x_support PUBLIC ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(tonvarra_test_x_support PRIVATE PkgConfig::TONVARRA_TEST_X11)
