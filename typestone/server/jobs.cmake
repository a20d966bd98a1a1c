# Job reception, sequencing and the shared-printer configuration.
target_sources(typestone_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/astcp_thread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/astcp_thread_job.cpp
  ${CMAKE_CURRENT_LIST_DIR}/astcp_typestone.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection_cap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/data_port.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dev_mode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dev_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handshake_lock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/job_header.cpp
  ${CMAKE_CURRENT_LIST_DIR}/job_sequencer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_action_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_values.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printer_check_cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printer_config.cpp
  ${CMAKE_CURRENT_LIST_DIR}/printer_config_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/store_failure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prt_cfg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prt_job_registration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prt_job_thread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/spool_recovery.cpp)

# The host file link: packets, transfers and the server-file cache.
target_sources(typestone_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/answer_framer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dwm_cache.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_name_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/job_host_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_codes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/packet_requests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_strings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_tables.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tx_aux.cpp)
