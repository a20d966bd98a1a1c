# Tests of the library trace, message boxes and the message dialog.
find_package(Qt6 REQUIRED COMPONENTS Core)
ts_add_test(test_klv_messages
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/temp_env.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bin_dumper_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lib_trace_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/msg_box_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/msg_dlg_test.cpp
  LIBS klv_inet ts_support_ui ts_support_env Qt6::Core)
add_subdirectory(${CMAKE_CURRENT_LIST_DIR}/../widgets ${CMAKE_CURRENT_BINARY_DIR}/widgets)
