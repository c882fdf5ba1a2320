# Runs one script test: DIR/NAME.jol through jolrun --dump-vars, in DIR.
# The first comment lines of the script may hold settings:
#   ; exit: N           the expected exit status (default 0)
#   ; args: a "b c" ""  parameters after the script name (quoted as a shell
#                       does; "" is an empty one)
#   ; options: ...      more jolrun options
#   ; needs: F, G       built-in functions the script uses; while the library
#                       has no handler for them (error 3046) the test is
#                       skipped
#   ; env: N=V M=W      environment variables for the run
#   ; lock: NAME        a resource the script shares with other tests (the
#                       user's profile, for one); tests naming the same
#                       lock do not run at the same time
#   ; backend: native   the script runs on the native backend only (under
#                       an emulator the test is skipped)
#   ; backend: windows  the script runs under the emulator only (natively
#                       the test is skipped)
#   ; answers: off      no scripted answers at all, and standard input is
#                       empty (no terminal): nobody can answer a box. Only
#                       the native backend writes such boxes; under an
#                       emulator a real box would wait, and the test is
#                       skipped
# JOL_TEST_SCRATCH names an empty folder of the test's own, made afresh for
# each run, where the script may write files.
# NAME.out is the expected standard output (carriage returns are ignored);
# NAME.err, when present, lists lines that standard error must contain (a
# line starting with "!" names a text it must not contain);
# NAME.answers, when present, answers the boxes, one by one; a box it does
# not answer is cancelled. Without it every box takes its default button:
# the run has JOL_ANSWERS=default, the answer word that stands for every
# box when it is the only one.
# With RAW (a path prefix) the run's outcome is only recorded, for the
# exhaustion runner (tests/exhaustion): RAW.status, RAW.stdout, RAW.stderr,
# with the scratch folder RAW.scratch; nothing is compared. RUN_TIMEOUT
# (seconds, 100 by default) bounds the run.
# EXTENDER and LIBRARY, when given, are the paths of the sample extender
# and of the library; the script reads them from the environment variables
# JOL_SAMPLE_EXTENDER and JOL_LIBRARY_MODULE (as Windows paths under Wine);
# CALLEE, the module of the DllCall tests, as JOL_CALLEE.
cmake_minimum_required(VERSION 3.25)

# A path as the program under test sees it: Wine maps the Unix root to
# drive Z:.
function(jol_program_path out path)
  if(EMULATOR AND path MATCHES "^/")
    string(REPLACE "/" "\\" path "${path}")
    set(path "Z:${path}")
  endif()
  set(${out} "${path}" PARENT_SCOPE)
endfunction()
if(EXTENDER)
  jol_program_path(path "${EXTENDER}")
  set(ENV{JOL_SAMPLE_EXTENDER} "${path}")
endif()
if(LIBRARY)
  jol_program_path(path "${LIBRARY}")
  set(ENV{JOL_LIBRARY_MODULE} "${path}")
endif()
if(CALLEE)
  jol_program_path(path "${CALLEE}")
  set(ENV{JOL_CALLEE} "${path}")
endif()

set(script ${DIR}/${NAME}.jol)
set(expect_status 0)
set(args "")
set(options "")
set(needs "")
set(answers_off FALSE)
set(native_only FALSE)
set(windows_only FALSE)
file(STRINGS ${script} head LIMIT_COUNT 12)
foreach(line IN LISTS head)
  if(line MATCHES "^; *exit: *([0-9]+)")
    set(expect_status ${CMAKE_MATCH_1})
  elseif(line MATCHES "^; *args: *(.*)$")
    separate_arguments(args UNIX_COMMAND "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^; *options: *(.*)$")
    separate_arguments(options UNIX_COMMAND "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^; *backend: *native")
    set(native_only TRUE)
  elseif(line MATCHES "^; *backend: *windows")
    set(windows_only TRUE)
  elseif(line MATCHES "^; *answers: *off")
    set(answers_off TRUE)
  elseif(line MATCHES "^; *needs: *(.*)$")
    set(needs "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^; *env: *(.*)$")
    separate_arguments(settings UNIX_COMMAND "${CMAKE_MATCH_1}")
    foreach(setting IN LISTS settings)
      if(setting MATCHES "^([A-Za-z_][A-Za-z0-9_]*)=(.*)$")
        set(ENV{${CMAKE_MATCH_1}} "${CMAKE_MATCH_2}")
      endif()
    endforeach()
  endif()
endforeach()
if(native_only AND EMULATOR)
  message("JOLTEST-SKIPPED: the script tests the native backend")
  return()
endif()
if(windows_only AND NOT EMULATOR)
  message("JOLTEST-SKIPPED: the script tests the Windows backend")
  return()
endif()
set(scratch "${CMAKE_CURRENT_BINARY_DIR}/scratch/${NAME}")
if(RAW)
  set(scratch "${RAW}.scratch")
endif()
file(REMOVE_RECURSE "${scratch}")
file(MAKE_DIRECTORY "${scratch}")
jol_program_path(path "${scratch}")
set(ENV{JOL_TEST_SCRATCH} "${path}")

set(input "")
if(answers_off)
  if(EMULATOR)
    message("JOLTEST-SKIPPED: a box without answers would wait for a person")
    return()
  endif()
  unset(ENV{JOL_ANSWERS})
  set(input INPUT_FILE /dev/null)
elseif(EXISTS ${DIR}/${NAME}.answers)
  list(APPEND options --answers ${NAME}.answers)
  unset(ENV{JOL_ANSWERS})
else()
  set(ENV{JOL_ANSWERS} default)
endif()
unset(ENV{JOL_ANSWERS_FILE})

# The parameters go over one by one, empty ones too (a list expanded in a
# command drops its empty elements; bracket arguments keep them).
set(quoted_args "")
foreach(arg IN LISTS args)
  string(APPEND quoted_args " [==[${arg}]==]")
endforeach()
# The outputs go to files, not pipes: under Wine the first program that
# opens a window starts the desktop process, which inherits its standard
# handles and outlives it; a pipe would stay open until that process ends.
if(NOT RUN_TIMEOUT)
  set(RUN_TIMEOUT 100)
endif()
set(out_file "${scratch}.stdout")
set(err_file "${scratch}.stderr")
if(RAW)
  set(out_file "${RAW}.stdout")
  set(err_file "${RAW}.stderr")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/../emulator_retry.cmake)
foreach(attempt 1 2)
  cmake_language(EVAL CODE "
  execute_process(
    COMMAND \${EMULATOR} \${JOLRUN} --dump-vars \${options} \${NAME}.jol ${quoted_args}
    WORKING_DIRECTORY \${DIR}
    ${input}
    RESULT_VARIABLE status
    OUTPUT_FILE \${out_file}
    ERROR_FILE \${err_file}
    TIMEOUT \${RUN_TIMEOUT})")
  jol_emulator_silent("${status}" ${out_file} ${err_file} again)
  if(NOT again)
    break()
  endif()
endforeach()
if(RAW)
  file(WRITE "${RAW}.status" "${status}\n")
  return()
endif()
file(READ "${out_file}" out)
file(READ "${err_file}" err)
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
    if(line MATCHES "^!(.+)$")
      string(FIND "${err}" "${CMAKE_MATCH_1}" at)
      if(NOT at EQUAL -1)
        string(APPEND problems "standard error holds: ${CMAKE_MATCH_1}\n")
      endif()
      continue()
    endif()
    string(FIND "${err}" "${line}" at)
    if(line AND at EQUAL -1)
      string(APPEND problems "standard error lacks: ${line}\n")
    endif()
  endforeach()
endif()
if(problems)
  message(FATAL_ERROR "${NAME}.jol:\n${problems}standard error:\n${err}")
endif()
