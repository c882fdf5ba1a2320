# One run of jolrun as a menu host: ARGS (a list) from the folder DIR,
# boxes answered OK. The standard output must be EXPECT (a file, when
# given) with carriage returns dropped; each line of ERR (a file, when
# given) must appear in the standard error; the exit status must be STATUS
# (default 0).
cmake_minimum_required(VERSION 3.25)
if(NOT DEFINED STATUS)
  set(STATUS 0)
endif()
set(ENV{JOL_ANSWERS} ok)
separate_arguments(args UNIX_COMMAND "${ARGS}")
include(${CMAKE_CURRENT_LIST_DIR}/../emulator_retry.cmake)
# The outputs go to files, not pipes: under Wine the menu host's window
# starts the desktop process, which inherits the standard handles and
# outlives the program (see tests/scripts/run_script_test.cmake).
string(MD5 run_id "${ARGS}")
set(out_file "${CMAKE_CURRENT_BINARY_DIR}/menu_run_${run_id}.stdout")
set(err_file "${CMAKE_CURRENT_BINARY_DIR}/menu_run_${run_id}.stderr")
foreach(attempt 1 2)
  execute_process(COMMAND ${EMULATOR} ${JOLRUN} ${args}
                  WORKING_DIRECTORY ${DIR}
                  RESULT_VARIABLE status OUTPUT_FILE ${out_file} ERROR_FILE ${err_file}
                  INPUT_FILE /dev/null TIMEOUT 60)
  jol_emulator_silent("${status}" ${out_file} ${err_file} again)
  if(NOT again)
    break()
  endif()
endforeach()
file(READ ${out_file} out)
file(READ ${err_file} err)
string(REPLACE "\r" "" out "${out}")
string(REPLACE "\r" "" err "${err}")
set(failed "")
if(NOT status STREQUAL STATUS)
  string(APPEND failed "exit status ${status}, wanted ${STATUS}\n")
endif()
if(EXPECT)
  file(READ ${DIR}/${EXPECT} want)
  string(REPLACE "\r" "" want "${want}")
  if(NOT out STREQUAL want)
    string(APPEND failed "standard output differs from ${EXPECT}\n")
  endif()
endif()
if(ERR)
  file(STRINGS ${DIR}/${ERR} lines)
  foreach(line IN LISTS lines)
    string(FIND "${err}" "${line}" at)
    if(at LESS 0)
      string(APPEND failed "standard error lacks: ${line}\n")
    endif()
  endforeach()
endif()
if(failed)
  message(FATAL_ERROR "${failed}--- stdout:\n${out}--- stderr:\n${err}")
endif()
