# Tests of the job reception, the sequencer and the shared-printer configuration.
add_library(ts_jobs_fixture STATIC
  ${CMAKE_CURRENT_LIST_DIR}/job_test_env.cpp
  ${CMAKE_CURRENT_LIST_DIR}/job_server_fixture.cpp)
target_link_libraries(ts_jobs_fixture PUBLIC typestone_core ts_support_host ts_support_env GTest::gtest)
typestone_warnings(ts_jobs_fixture)

ts_add_test(test_typestone_jobs
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/job_header_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/job_sequencer_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/handshake_lock_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/printer_config_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/job_server_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/data_port_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/host_link_test.cpp
  LIBS ts_jobs_fixture)

ts_add_test(test_typestone_jobs_cups
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/job_server_cups_test.cpp
  LIBS ts_jobs_fixture ts_support_cupsd)

ts_add_test(test_typestone_interpreted_jobs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/interpreted_job_test.cpp
  LIBS ts_jobs_fixture)
target_compile_definitions(test_typestone_interpreted_jobs PRIVATE
  TYPESTONE_TEST_FONTS_CONF="${PROJECT_SOURCE_DIR}/tests/support/fonts/fonts.conf")

ts_add_test(test_typestone_hostfile
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/packet_framing_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/packet_link_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transfer_names_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transfer_file_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dwm_cache_test.cpp
  LIBS ts_jobs_fixture ts_support_hostfile ts_support_ui)
