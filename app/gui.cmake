# The Qt program.
include(${CMAKE_CURRENT_SOURCE_DIR}/splash.cmake OPTIONAL)

add_executable(tonvarra main.cpp)
set_target_properties(tonvarra PROPERTIES AUTOMOC ON)
target_link_libraries(tonvarra PRIVATE Qt6::Widgets)
