# Start-up and shutdown, the service and its status window, the UDP server.
target_sources(typestone_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/app_strings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/app_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/answer_rate_limit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/app_wait.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aux_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/banner.cpp
  ${CMAKE_CURRENT_LIST_DIR}/com_registration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drive_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/control_access.cpp
  ${CMAKE_CURRENT_LIST_DIR}/desktop_autostart.cpp
  ${CMAKE_CURRENT_LIST_DIR}/general_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/get_dev_mode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/instance_startup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/my_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/nt_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/path_fit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/save_as_img_edit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_install.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_ui_bridge.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_dlg_ex.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shared_status.cpp
  ${CMAKE_CURRENT_LIST_DIR}/socket_address.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup_stop_watch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/stored_job_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/time_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tray_menu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/typestone_app.cpp
  ${CMAKE_CURRENT_LIST_DIR}/udp_server.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_query.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_site.cpp)
typestone_string_table(typestone_core typestone_app_strings
  EN ${CMAKE_CURRENT_LIST_DIR}/../res/app.en.txt
  ES ${CMAKE_CURRENT_LIST_DIR}/../res/app.es.txt)
# The start-up logo is a widget of KLV_Inet (desktop mode only).
target_link_libraries(typestone_core PUBLIC klv_inet_widgets)
