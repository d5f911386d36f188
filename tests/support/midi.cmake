# The MIDI test doubles and fixtures.

# The scripted driver that every layer above midi/ is tested with.
add_library(tonvarra_test_midi_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/scripted_midi_driver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scripted_midi_driver.h)
target_include_directories(tonvarra_test_midi_support PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(tonvarra_test_midi_support PUBLIC tonvarra_midi Threads::Threads)

# A private JACK server (dummy back end) and a JACK MIDI source for the e2e tests.
add_library(tonvarra_test_jack STATIC
    ${CMAKE_CURRENT_LIST_DIR}/jack_server.cpp
    ${CMAKE_CURRENT_LIST_DIR}/jack_server.h
    ${CMAKE_CURRENT_LIST_DIR}/jack_midi_source.cpp
    ${CMAKE_CURRENT_LIST_DIR}/jack_midi_source.h)
target_include_directories(tonvarra_test_jack PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
pkg_check_modules(TEST_JACK REQUIRED IMPORTED_TARGET jack)
target_link_libraries(tonvarra_test_jack PUBLIC tonvarra_midi Threads::Threads PRIVATE PkgConfig::TEST_JACK)
