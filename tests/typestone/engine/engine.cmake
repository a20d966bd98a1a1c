# Tests of the print engine, one program each; those that draw with real faces see only the
# project's test fonts.
set(_engine_tests ${CMAKE_CURRENT_LIST_DIR})
foreach(_name framer job job_messages job_errors font_mapper font_commands font_select box_drawing grid_box end_to_end dib img_wnd command_params printer_settings area_commands image_commands barcode_command page_actions pdf_output)
  ts_add_test(engine_${_name}_test
    SOURCES ${_engine_tests}/${_name}_test.cpp
    LIBS typestone_engine platform_draw)
endforeach()
foreach(_name font_mapper grid_box end_to_end pdf_output)
  target_compile_definitions(engine_${_name}_test PRIVATE
    TYPESTONE_TEST_FONTS_CONF="${PROJECT_SOURCE_DIR}/tests/support/fonts/fonts.conf")
endforeach()
ts_add_test(engine_support_test
  SOURCES ${_engine_tests}/support_test.cpp
  LIBS typestone_engine)
# The stand-ins of the tests: fonts with formula metrics, a scripted user interface, folders.
foreach(_name framer job job_messages job_errors font_mapper font_commands font_select box_drawing grid_box end_to_end dib img_wnd command_params printer_settings area_commands image_commands barcode_command page_actions pdf_output)
  target_link_libraries(engine_${_name}_test PRIVATE ts_support_draw ts_support_ui ts_support_env)
endforeach()
target_link_libraries(engine_support_test PRIVATE ts_support_env)
ts_add_test(engine_field_text_test
  SOURCES ${_engine_tests}/field_text_test.cpp
  LIBS typestone_engine)
ts_add_test(engine_host_text_test
  SOURCES ${_engine_tests}/host_text_test.cpp
  LIBS typestone_engine)
ts_add_test(engine_spool_record_test
  SOURCES ${_engine_tests}/spool_record_test.cpp
  LIBS typestone_engine ts_support_env)
ts_add_test(engine_relay_datagram_test
  SOURCES ${_engine_tests}/relay_datagram_test.cpp
  LIBS typestone_engine)
ts_add_test(engine_barcode_encoders_test
  SOURCES ${_engine_tests}/barcode_encoders_test.cpp
  LIBS typestone_engine)
ts_add_test(engine_text_model_test
  SOURCES ${_engine_tests}/text_model_test.cpp
  LIBS typestone_engine ts_support_draw)
ts_add_test(engine_text_formatter_test
  SOURCES ${_engine_tests}/text_formatter_test.cpp
  LIBS typestone_engine ts_support_draw)
ts_add_test(engine_font_mapper_layout_test
  SOURCES ${_engine_tests}/font_mapper_layout_test.cpp
  LIBS typestone_engine ts_support_draw)
ts_add_test(engine_job_layout_test
  SOURCES ${_engine_tests}/job_layout_test.cpp
  LIBS typestone_engine ts_support_draw)
ts_add_test(engine_text_formatter_trace_test
  SOURCES ${_engine_tests}/text_formatter_trace_test.cpp
  LIBS typestone_engine ts_support_draw)
ts_add_test(engine_text_formatter_render_test
  SOURCES ${_engine_tests}/text_formatter_render_test.cpp
  LIBS typestone_engine platform_draw)
target_compile_definitions(engine_text_formatter_render_test PRIVATE
  TYPESTONE_TEST_FONTS_CONF="${PROJECT_SOURCE_DIR}/tests/support/fonts/fonts.conf")
