# Tests of the print engine.
set(_engine_tests ${CMAKE_CURRENT_LIST_DIR})
ts_add_test(engine_framer_test
  SOURCES ${_engine_tests}/framer_test.cpp
  LIBS typestone_core platform_draw)
ts_add_test(engine_job_test
  SOURCES ${_engine_tests}/job_test.cpp
  LIBS typestone_core platform_draw)
ts_add_test(engine_font_mapper_test
  SOURCES ${_engine_tests}/font_mapper_test.cpp
  LIBS typestone_core platform_draw)
target_compile_definitions(engine_font_mapper_test PRIVATE
  TYPESTONE_TEST_FONTS_CONF="${PROJECT_SOURCE_DIR}/tests/support/fonts/fonts.conf")
ts_add_test(engine_box_drawing_test
  SOURCES ${_engine_tests}/box_drawing_test.cpp
  LIBS typestone_core platform_draw)
ts_add_test(engine_end_to_end_test
  SOURCES ${_engine_tests}/end_to_end_test.cpp
  LIBS typestone_core platform_draw)
target_compile_definitions(engine_end_to_end_test PRIVATE
  TYPESTONE_TEST_FONTS_CONF="${PROJECT_SOURCE_DIR}/tests/support/fonts/fonts.conf")
ts_add_test(engine_support_test
  SOURCES ${_engine_tests}/support_test.cpp
  LIBS typestone_core)
