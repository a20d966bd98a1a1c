# Pictures of KLV_Inet: JPEG decoding for the logo and the bitmaps drawn from it.
find_package(Qt6 REQUIRED COMPONENTS Core Gui)
target_link_libraries(klv_inet PUBLIC Qt6::Gui)
target_sources(klv_inet PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/aux_dib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/jpeg_bmp.cpp)
