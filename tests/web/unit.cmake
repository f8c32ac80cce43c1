# The core's unit tests that need no Qt, compiled by em++ and run under node: the same test
# files as the desktop's programs of tests/common, runtime, program, input (tables and
# keys) and sound (readers and the wave collection over the recording platform), in one
# program, build-web/unit_tests.js. tests/web/unit-run runs it (and scripts/test calls it).
#
# It answers what the desktop build cannot: whether the core behaves the same on wasm32,
# with emscripten's C library, file system layer and C++ library.
#
# GoogleTest is built here from Debian's sources (googletest), as em++ has no ports.

if(NOT TOVANA_TESTS)
  return()
endif()

find_path(TOVANA_GTEST_SOURCE_DIR src/gtest-all.cc
  PATHS /usr/src/googletest/googletest NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NOT TOVANA_GTEST_SOURCE_DIR)
  message(STATUS "No GoogleTest sources (package googletest): the unit tests under node are not built")
  return()
endif()

# Tests that cannot hold under node, each with the reason. They stay in the desktop's run;
# the program skips them by its default filter (tests/web/unit_main.cpp).
set(TOVANA_WEB_UNIT_EXCLUDED
  # fork() is not available to a wasm program: the child that drops root cannot be made.
  ProfileUnstorable.UnwritableFolderKeepsChangesForAUserWhoCannotWrite
  MemoryImageTest.UnwritableFolderIsReportedAndTheOldFileSurvives
  # It runs liblouis's lou_translate through std::system, which a wasm program cannot do.
  CzechBrailleStandard.EveryChordReadsAsLiblouisReadsIt
  # The file system under node (NODERAWFS) makes a regular file for mkfifo, so the FIFO and
  # the link to it that the test must see refused are ordinary files there.
  AtomicFile.WhatIsNoRegularFileIsRefusedAndKept
  # emscripten 3.1.6 hands node a file's new times in milliseconds where node takes
  # seconds, so the test cannot age its files (they land centuries ahead). The program only
  # reads file times, which come through right.
  AtomicFile.OnlyOldLeftoversOfTheSameFileAreRemoved
  # A cue that waits for its end is the desktop's: in the browser the page's one thread
  # cannot wait (a sleep there spins), so a cue returns at once and Web Audio plays it out.
  # tests/web/audio.test.mjs checks the browser's way: each cue heard whole, none holding
  # the page.
  KeyCues.BeepAndClickPlayOnceAtTheVolumeAndWaitForTheEnd
  WaveCollectionWait.AVoiceThatNeverEndsIsWaitedForOnlyAboutAsLongAsTheWave
  WaveCollectionWait.PlayWithWaitReturnsWhenThePlayHasEnded
)
list(JOIN TOVANA_WEB_UNIT_EXCLUDED ":" TOVANA_WEB_UNIT_FILTER)

# Threads are left out (no -pthread): the programs under test are single-threaded.
add_library(tovana_web_gtest STATIC EXCLUDE_FROM_ALL ${TOVANA_GTEST_SOURCE_DIR}/src/gtest-all.cc)
target_include_directories(tovana_web_gtest SYSTEM PUBLIC ${TOVANA_GTEST_SOURCE_DIR}/include)
target_include_directories(tovana_web_gtest PRIVATE ${TOVANA_GTEST_SOURCE_DIR})
target_compile_definitions(tovana_web_gtest PUBLIC GTEST_HAS_PTHREAD=0)

set(TOVANA_TESTS_DIR ${PROJECT_SOURCE_DIR}/tests)
# Not part of the site's build (scripts/web): tests/web/unit-run builds it by name.
add_executable(tovana_web_unit EXCLUDE_FROM_ALL
  ${TOVANA_TESTS_DIR}/web/unit_main.cpp
  ${TOVANA_TESTS_DIR}/web/unit_filter_test.cpp
  ${TOVANA_TESTS_DIR}/doubles/doubles.cpp
  # tests/common
  ${TOVANA_TESTS_DIR}/common/text_test.cpp
  ${TOVANA_TESTS_DIR}/common/profile_test.cpp
  ${TOVANA_TESTS_DIR}/common/localizer_test.cpp
  ${TOVANA_TESTS_DIR}/common/atomic_file_test.cpp
  # tests/runtime
  ${TOVANA_TESTS_DIR}/runtime/print_test.cpp
  ${TOVANA_TESTS_DIR}/runtime/answers_test.cpp
  ${TOVANA_TESTS_DIR}/runtime/input_test.cpp
  ${TOVANA_TESTS_DIR}/runtime/stack_test.cpp
  ${TOVANA_TESTS_DIR}/runtime/memoryimage_test.cpp
  ${TOVANA_TESTS_DIR}/runtime/datafile_test.cpp
  # tests/program
  ${TOVANA_TESTS_DIR}/program/player.cpp
  ${TOVANA_TESTS_DIR}/program/walkthrough.cpp
  ${TOVANA_TESTS_DIR}/program/game_test.cpp
  ${TOVANA_TESTS_DIR}/program/places_test.cpp
  ${TOVANA_TESTS_DIR}/program/world_test.cpp
  # tests/input: the tables and the keys without widgets
  ${TOVANA_TESTS_DIR}/input/braille_table_test.cpp
  ${TOVANA_TESTS_DIR}/input/key_names_test.cpp
  ${TOVANA_TESTS_DIR}/input/shipped_tables_test.cpp
  ${TOVANA_TESTS_DIR}/input/liblouis_test.cpp
  ${TOVANA_TESTS_DIR}/input/chord_test.cpp
  ${TOVANA_TESTS_DIR}/input/reviewtext_test.cpp
  ${TOVANA_TESTS_DIR}/input/spelling_test.cpp
  # tests/sound: the readers and the wave collection over the recording platform; the
  # OpenAL device, its loopback and its configuration are the desktop's alone.
  ${TOVANA_TESTS_DIR}/sound/fake_platform.cpp
  ${TOVANA_TESTS_DIR}/sound/wavestream_test.cpp
  ${TOVANA_TESTS_DIR}/sound/bankreader_test.cpp
  ${TOVANA_TESTS_DIR}/sound/wavecollection_test.cpp
  ${TOVANA_TESTS_DIR}/sound/soundcues_test.cpp
)
target_include_directories(tovana_web_unit PRIVATE ${TOVANA_TESTS_DIR} ${TOVANA_TESTS_DIR}/sound)
target_link_libraries(tovana_web_unit PRIVATE
  tovana_program tovana_input_keys tovana_input_tables tovana_soundcues tovana_sound_core
  tovana_runtime tovana_common tovana_bankwriter tovana_web_gtest tovana_warnings)
target_compile_definitions(tovana_web_unit PRIVATE
  TOVANA_DATA_DIR="${PROJECT_SOURCE_DIR}/data"
  TOVANA_SOURCE_DATA_DIR="${PROJECT_SOURCE_DIR}/data"
  TOVANA_SOUNDS_DAT="${TOVANA_WORKDIR}/sounds.dat")
# On the main and its test alone, so changing the list rebuilds two files.
set_source_files_properties(
  ${TOVANA_TESTS_DIR}/web/unit_main.cpp ${TOVANA_TESTS_DIR}/web/unit_filter_test.cpp PROPERTIES
  COMPILE_DEFINITIONS "TOVANA_WEB_UNIT_EXCLUDED=\"${TOVANA_WEB_UNIT_FILTER}\"")
add_dependencies(tovana_web_unit tovana_soundbank)
set_target_properties(tovana_web_unit PROPERTIES
  OUTPUT_NAME unit_tests
  SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# NODERAWFS: the tests write their files in real temporary folders and read the source
# tree's data files by absolute path, as on the desktop.
target_link_options(tovana_web_unit PRIVATE
  -sNODERAWFS=1
  -sENVIRONMENT=node
  -sALLOW_MEMORY_GROWTH=1
  -sEXIT_RUNTIME=1)
