# Runs one script test: DIR/NAME.jol through jolrun --dump-vars, in DIR.
# The first comment lines of the script may hold settings:
#   ; exit: N           the expected exit status (default 0)
#   ; args: a "b c"     parameters after the script name
#   ; options: ...      more jolrun options
#   ; needs: F, G       built-in functions the script uses; while the library
#                       has no handler for them (error 3046) the test is
#                       skipped
# NAME.out is the expected standard output (carriage returns are ignored);
# NAME.err, when present, lists lines that standard error must contain;
# NAME.answers, when present, answers the boxes (otherwise every box takes
# its default button).
cmake_minimum_required(VERSION 3.25)

set(script ${DIR}/${NAME}.jol)
set(expect_status 0)
set(args "")
set(options "")
set(needs "")
file(STRINGS ${script} head LIMIT_COUNT 12)
foreach(line IN LISTS head)
  if(line MATCHES "^; *exit: *([0-9]+)")
    set(expect_status ${CMAKE_MATCH_1})
  elseif(line MATCHES "^; *args: *(.*)$")
    separate_arguments(args UNIX_COMMAND "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^; *options: *(.*)$")
    separate_arguments(options UNIX_COMMAND "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^; *needs: *(.*)$")
    set(needs "${CMAKE_MATCH_1}")
  endif()
endforeach()

if(EXISTS ${DIR}/${NAME}.answers)
  list(APPEND options --answers ${NAME}.answers)
  unset(ENV{JOL_ANSWERS})
else()
  set(ENV{JOL_ANSWERS} default)
endif()
unset(ENV{JOL_ANSWERS_FILE})

execute_process(
  COMMAND ${EMULATOR} ${JOLRUN} --dump-vars ${options} ${NAME}.jol ${args}
  WORKING_DIRECTORY ${DIR}
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  TIMEOUT 100)
string(REPLACE "\r" "" out "${out}")
string(REPLACE "\r" "" err "${err}")

if(needs AND err MATCHES "3046:  ")
  message("JOLTEST-SKIPPED: the script needs ${needs}, which the library does not offer yet")
  return()
endif()

set(problems "")
if(NOT status STREQUAL expect_status)
  string(APPEND problems "exit status ${status}, expected ${expect_status}\n")
endif()
file(READ ${DIR}/${NAME}.out want)
string(REPLACE "\r" "" want "${want}")
if(NOT out STREQUAL want)
  string(APPEND problems "standard output differs:\n--- expected\n${want}--- got\n${out}---\n")
endif()
if(EXISTS ${DIR}/${NAME}.err)
  file(STRINGS ${DIR}/${NAME}.err must)
  foreach(line IN LISTS must)
    string(FIND "${err}" "${line}" at)
    if(line AND at EQUAL -1)
      string(APPEND problems "standard error lacks: ${line}\n")
    endif()
  endforeach()
endif()
if(problems)
  message(FATAL_ERROR "${NAME}.jol:\n${problems}standard error:\n${err}")
endif()
