# Tests of running-instance tracking and the shared instance table.
ts_add_test(test_klv_instances
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/temp_env.cpp
    ${CMAKE_CURRENT_LIST_DIR}/instance_tbl_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/instances_test.cpp
  LIBS klv_inet ts_support_env)
find_package(Qt6 REQUIRED COMPONENTS Core)
ts_add_test(test_klv_exec_app
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/temp_env.cpp
    ${CMAKE_CURRENT_LIST_DIR}/exec_app_test.cpp
  LIBS klv_inet ts_support_env Qt6::Core)
