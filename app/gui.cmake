# The Qt program.
add_executable(tonvarra main.cpp)
set_target_properties(tonvarra PROPERTIES AUTOMOC ON)
target_link_libraries(tonvarra PRIVATE Qt6::Widgets)
