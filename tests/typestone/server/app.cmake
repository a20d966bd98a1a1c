# Start-up, the service and its status window, the UDP server.
ts_add_test(test_typestone_app
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/startup_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/udp_server_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shared_status_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/service_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/service_ui_bridge_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/msg_dlg_ex_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/progress_relay_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/progress_relay_job_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/service_install_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/service_control_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/app_utils_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/connection_cap_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/page_action_settings_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/control_access_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/printer_test_file_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tray_menu_test.cpp
  LIBS typestone_core ts_support_typestone_ui ts_support_env ts_support_draw)
target_compile_definitions(test_typestone_app PRIVATE
  TYPESTONE_TEST_PRINTER_STREAM="${PROJECT_SOURCE_DIR}/typestone/res/TYPST.PRT")
