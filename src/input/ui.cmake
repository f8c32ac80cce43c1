# The input subsystem's windows (Qt): the input dialog. Included from src/input.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_library(tovana_input_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/tform2.h
  ${CMAKE_CURRENT_LIST_DIR}/tform2.cpp
)
set_target_properties(tovana_input_ui PROPERTIES AUTOMOC ON)
target_link_libraries(tovana_input_ui PUBLIC tovana_input_tables tovana_runtime Qt6::Widgets
                      PRIVATE tovana_warnings)
