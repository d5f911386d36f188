# The matcher and the key repeat: plain C++, no Qt.
tonvarra_core_library(tonvarra_core
    ${CMAKE_CURRENT_LIST_DIR}/event_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/event_text.h
    ${CMAKE_CURRENT_LIST_DIR}/hotkey_index.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hotkey_index.h
    ${CMAKE_CURRENT_LIST_DIR}/key_repeat.cpp
    ${CMAKE_CURRENT_LIST_DIR}/key_repeat.h
    ${CMAKE_CURRENT_LIST_DIR}/guarded_sender.cpp
    ${CMAKE_CURRENT_LIST_DIR}/guarded_sender.h
    ${CMAKE_CURRENT_LIST_DIR}/matcher.cpp
    ${CMAKE_CURRENT_LIST_DIR}/matcher.h
)
target_link_libraries(tonvarra_core PUBLIC tonvarra_keys tonvarra_store tonvarra_midi tonvarra_base Threads::Threads)
