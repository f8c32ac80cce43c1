# The sound statement's wait on the main window's timer: a precise QTimer and a loop that
# sleeps in the event queue until the waiting flag is clear. Included by CMakeLists.txt.
find_package(Qt6 REQUIRED COMPONENTS Core)
add_library(tovana_soundtimer STATIC ${CMAKE_CURRENT_LIST_DIR}/soundtimer.cpp)
target_link_libraries(tovana_soundtimer PUBLIC tovana_soundcues Qt6::Core PRIVATE tovana_warnings)
