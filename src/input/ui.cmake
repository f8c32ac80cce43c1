# The input subsystem's windows (Qt): the input dialog, the review window and the main
# window's keys. Included from src/input.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_library(tovana_input_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/qtkeys.h
  ${CMAKE_CURRENT_LIST_DIR}/qtkeys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/inputdialog.h
  ${CMAKE_CURRENT_LIST_DIR}/inputdialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/reviewwindow.h
  ${CMAKE_CURRENT_LIST_DIR}/reviewwindow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mainwindowkeys.h
  ${CMAKE_CURRENT_LIST_DIR}/mainwindowkeys.cpp
)
set_target_properties(tovana_input_ui PROPERTIES AUTOMOC ON)
target_link_libraries(tovana_input_ui PUBLIC tovana_input_keys tovana_runtime Qt6::Widgets
                      PRIVATE tovana_warnings)

# XKB's detectable auto-repeat is asked for over Qt's own X connection.
find_package(PkgConfig)
if(PkgConfig_FOUND)
  pkg_check_modules(XCB_XKB IMPORTED_TARGET xcb-xkb)
endif()
if(XCB_XKB_FOUND)
  target_link_libraries(tovana_input_ui PRIVATE PkgConfig::XCB_XKB)
  target_compile_definitions(tovana_input_ui PRIVATE TOVANA_HAVE_XCB_XKB)
endif()
