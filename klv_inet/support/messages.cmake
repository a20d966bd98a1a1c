# Trace, message boxes and the message dialog of KLV_Inet.
find_package(Qt6 REQUIRED COMPONENTS Core)
target_link_libraries(klv_inet PUBLIC Qt6::Core)
target_sources(klv_inet PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bin_dumper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_trace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_box_format.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_box_present.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_dlg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_dlg_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_dlg_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_dlg_state.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_dlg_template.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_dlg_view_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/msg_strings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/trace_stamp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_msg.cpp)
typestone_string_table(klv_inet klv_messages
  EN ${CMAKE_CURRENT_LIST_DIR}/../res/messages.en.txt
  ES ${CMAKE_CURRENT_LIST_DIR}/../res/messages.es.txt)
