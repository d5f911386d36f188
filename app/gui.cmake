# The Qt program.
include(${CMAKE_CURRENT_SOURCE_DIR}/splash.cmake OPTIONAL)

# The main window and the program's windows as a library, so that the GUI
# tests drive the same code as the program.
add_library(tonvarra_mainwindow STATIC
    file_list_model.cpp
    file_list_model.h
    hotkey_list_model.cpp
    hotkey_list_model.h
    main_window.cpp
    main_window.h
    main_window_commands.cpp
    main_window_layout.cpp
    program.cpp
    program.h
    qt_prompts.cpp
    qt_prompts.h
    quit_signals.cpp
    quit_signals.h
    single_instance.cpp
    single_instance.h
    tray.cpp
    tray.h)
set_target_properties(tonvarra_mainwindow PROPERTIES AUTOMOC ON)
target_include_directories(tonvarra_mainwindow PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tonvarra_mainwindow
    PUBLIC tonvarra_core tonvarra_store tonvarra_midi tonvarra_keys tonvarra_dialogs tonvarra_splash
           Qt6::Widgets Qt6::Network)

add_executable(tonvarra main.cpp)
target_link_libraries(tonvarra PRIVATE tonvarra_mainwindow tonvarra_midi_rtmidi tonvarra_keys_system)
