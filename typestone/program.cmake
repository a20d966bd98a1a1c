# The program Typestone.
add_executable(typestone ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(typestone PRIVATE typestone_core typestone_widgets)
set_target_properties(typestone PROPERTIES OUTPUT_NAME typestone)
typestone_warnings(typestone)

# The start-up logo: read from the data folder, which for a build is the program's own folder.
configure_file(${CMAKE_CURRENT_LIST_DIR}/res/TYPESTONE.JPG ${CMAKE_CURRENT_BINARY_DIR}/TYPESTONE.JPG COPYONLY)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/res/TYPESTONE.JPG DESTINATION share/typestone)
# The help the tray menu opens: the README, beside the logo.
configure_file(${PROJECT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_BINARY_DIR}/README.md COPYONLY)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/typestone)
# The printer test's stream (host bytes: OEM box drawing, CR LF lines), beside the logo.
configure_file(${CMAKE_CURRENT_LIST_DIR}/res/TYPST.PRT ${CMAKE_CURRENT_BINARY_DIR}/TYPST.PRT COPYONLY)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/res/TYPST.PRT DESTINATION share/typestone)

# The tool that draws the logo (scripts/make-logo).
add_executable(typestone_make_logo EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/res/make_logo.cpp)
target_link_libraries(typestone_make_logo PRIVATE Qt6::Gui)
typestone_warnings(typestone_make_logo)

# The printer test's pictures, beside its stream: the one shown while it prints and the page
# it should give (scripts/make-test-images remakes both).
foreach(picture VALDOR.PCX TYPST.TIF)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/res/${picture} ${CMAKE_CURRENT_BINARY_DIR}/${picture} COPYONLY)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/res/${picture} DESTINATION share/typestone)
endforeach()
add_executable(typestone_make_test_images EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/res/make_test_images.cpp)
target_link_libraries(typestone_make_test_images PRIVATE Qt6::Gui)
typestone_warnings(typestone_make_test_images)
