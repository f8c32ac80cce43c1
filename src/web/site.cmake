# The browser's edition, built by em++ (scripts/web): the libraries below the hosts, as
# the desktop builds them, the page's host in src/web, and the site in build-web/site: a
# folder of static files that any static web host serves (relative paths, no server code).

# em++'s own output runs under node for the build-time tools (the sound bank writer).
# Node 20's fetch would take the tool's wasm for a web address.
find_program(TOVANA_NODE node REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${TOVANA_NODE};--no-experimental-fetch")

add_compile_options(-fexceptions)
add_link_options(-fexceptions)

add_subdirectory(src/common)
add_subdirectory(src/sound)
add_subdirectory(src/runtime)
add_subdirectory(src/program)
add_subdirectory(src/input)
add_subdirectory(src/shell)

set(TOVANA_SITE ${CMAKE_BINARY_DIR}/site)
# The data files go into the module itself, read from /data as the desktop reads its
# folder; the sound bank is written by the same writer, run under node.
set(TOVANA_WORKDIR ${CMAKE_BINARY_DIR}/embed)
add_subdirectory(tools)
target_link_options(tovana_makesounds PRIVATE -sNODERAWFS=1 -sENVIRONMENT=node)
add_subdirectory(data)

file(GLOB TOVANA_WEB_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/web/*.cpp)
# The voice's settings model is the desktop's; the rest of the speech library speaks
# through engines the page does not have.
add_executable(tovana_web ${TOVANA_WEB_SOURCES}
  ${PROJECT_SOURCE_DIR}/src/speech/voicesettings.cpp)
target_link_libraries(tovana_web PRIVATE
  tovana_shell_core tovana_filelocations tovana_input_keys tovana_soundcues tovana_warnings)
add_dependencies(tovana_web tovana_data tovana_soundbank)
set_target_properties(tovana_web PROPERTIES
  OUTPUT_NAME tovana
  SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${TOVANA_SITE})
target_link_options(tovana_web PRIVATE
  -sASYNCIFY=1
  -sASYNCIFY_STACK_SIZE=131072
  -sMODULARIZE=1
  -sEXPORT_ES6=1
  -sEXPORT_NAME=createTovana
  -sENVIRONMENT=web
  -sALLOW_MEMORY_GROWTH=1
  -sFORCE_FILESYSTEM=1
  -sEXIT_RUNTIME=0
  "-sEXPORTED_FUNCTIONS=[_main,_malloc,_free]"
  "-sEXPORTED_RUNTIME_METHODS=[FS,UTF8ToString,stringToUTF8,lengthBytesUTF8]"
  --embed-file ${TOVANA_WORKDIR}@/data)

# The page's own files, copied beside the module.
file(GLOB TOVANA_PAGE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/web/page/*)
set(TOVANA_PAGE_OUTPUTS)
foreach(file ${TOVANA_PAGE_FILES})
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${TOVANA_SITE}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${TOVANA_SITE}/${name}
    DEPENDS ${file} VERBATIM)
  list(APPEND TOVANA_PAGE_OUTPUTS ${TOVANA_SITE}/${name})
endforeach()
add_custom_target(tovana_page ALL DEPENDS ${TOVANA_PAGE_OUTPUTS})

# The core's unit tests that need no Qt, built by em++ and run under node.
include(${PROJECT_SOURCE_DIR}/tests/web/unit.cmake OPTIONAL)
