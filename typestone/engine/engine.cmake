# The print engine: the print-stream interpreter and job control (CWinPrt), the character-cell
# font mapper (CFontMapper) and box drawing.
target_sources(typestone_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/box_drawing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/char_classes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/command_table.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dib.cpp ${CMAKE_CURRENT_LIST_DIR}/dib_header.cpp ${CMAKE_CURRENT_LIST_DIR}/dib_rotate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/img_wnd.cpp ${CMAKE_CURRENT_LIST_DIR}/img_wnd_place.cpp ${CMAKE_CURRENT_LIST_DIR}/pcx_decoder.cpp ${CMAKE_CURRENT_LIST_DIR}/picture_files.cpp ${CMAKE_CURRENT_LIST_DIR}/prt_bmp_data.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drive_map.cpp
  ${CMAKE_CURRENT_LIST_DIR}/esc_block.cpp
  ${CMAKE_CURRENT_LIST_DIR}/font_mapper.cpp
  ${CMAKE_CURRENT_LIST_DIR}/font_mapper_fit.cpp
  ${CMAKE_CURRENT_LIST_DIR}/font_mapper_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_geometry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pending_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress_throttle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shade_patterns.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win_prt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win_prt_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_setup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win_prt_job.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win_prt_page.cpp
  ${CMAKE_CURRENT_LIST_DIR}/win_prt_stream.cpp)
target_link_libraries(typestone_core PUBLIC platform_draw Qt6::Gui)
