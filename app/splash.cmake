# The splash window, a Qt library of its own so that its tests need no main window.
add_library(tonvarra_splash STATIC
    ${CMAKE_CURRENT_LIST_DIR}/splash_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/splash_window.h)
set_target_properties(tonvarra_splash PROPERTIES AUTOMOC ON)
target_include_directories(tonvarra_splash PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(tonvarra_splash PUBLIC tonvarra_dialogs Qt6::Widgets)
