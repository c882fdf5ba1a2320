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
execute_process(COMMAND ${EMULATOR} ${JOLRUN} ${args}
                WORKING_DIRECTORY ${DIR}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                INPUT_FILE /dev/null TIMEOUT 60)
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
