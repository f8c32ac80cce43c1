# The falling tone recorded from the real program through OpenAL's wave writer at its
# default settings, and measured step by step (tones_fall.py). Included by the folder's
# CMakeLists.txt.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME tones_fall_e2e
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/tones_fall.py
          $<TARGET_FILE:tovana> ${TOVANA_WORKDIR})
set_tests_properties(tones_fall_e2e PROPERTIES LABELS realconditions TIMEOUT 240 RUN_SERIAL TRUE)

# Alt+1, Alt+2 and Alt+9 heard in the real window's recording, voice on.
add_test(NAME answer_again_e2e
  COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/answer_again.py $<TARGET_FILE:tovana>)
set_tests_properties(answer_again_e2e PROPERTIES LABELS realconditions TIMEOUT 400 RUN_SERIAL TRUE)
