# The file and hotkey commands of the main window, plain C++ like the rest of the store.
target_sources(tonvarra_store PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/file_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_commands.h)
