# Tests of running-instance tracking and the shared instance table.
ts_add_test(test_klv_instances
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/temp_env.cpp
    ${CMAKE_CURRENT_LIST_DIR}/instance_tbl_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/instances_test.cpp
  LIBS klv_inet)
