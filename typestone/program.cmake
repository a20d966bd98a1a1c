# The program Typestone.
add_executable(typestone ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(typestone PRIVATE typestone_core)
set_target_properties(typestone PROPERTIES OUTPUT_NAME typestone)
typestone_warnings(typestone)
