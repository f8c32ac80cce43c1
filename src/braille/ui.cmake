# The display wired to the windows (Qt): activation, the input dialog, the review window
# and the Settings item. Included from src/braille.
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_library(tovana_braille_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/qtbraille.h
  ${CMAKE_CURRENT_LIST_DIR}/qtbraille.cpp
)
target_link_libraries(tovana_braille_ui PUBLIC tovana_braille tovana_input_ui Qt6::Widgets
                      PRIVATE tovana_warnings)
