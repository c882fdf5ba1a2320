# Desktop tests: tests that need a display, a window manager and the
# keyboard and mouse of a desktop to themselves.
#
# jol_desktop_test(NAME name COMMAND command [args...]
#                  [WORKING_DIRECTORY dir] [TIMEOUT seconds]
#                  [ENVIRONMENT VAR=value...] [NATIVE_ONLY | WINDOWS_ONLY])
# adds the test desktop_<name>. It runs through tests/desktop/rig.sh: on
# Linux on a desktop of its own (Xvfb, the US keyboard map, openbox),
# started once for all desktop tests by the desktop_start fixture and ended
# by desktop_stop; in the Windows build on the display that Wine uses. The
# desktop tests hold the lock "desktop" and so run one at a time. COMMAND
# is a shell script (run with sh) or any program; when it names a program
# target of the build, that program runs (through Wine in the Windows
# build). The command finds in its environment DISPLAY, RIG_WORK (its own
# empty scratch folder), RIG_LIB (shell helpers to source: start a program,
# wait for its window, check a log; see rig_lib.sh), JOLRUN and
# JOL_EMULATOR, JOL_HOME, and in the Windows build JOL_TARGET and
# JOL_TARGET_CONSOLE (the target programs). Every program it starts with
# the helpers is ended by its process id when it ends. Status 77 skips.
set(JOL_RIG ${CMAKE_CURRENT_LIST_DIR}/rig.sh)
set(JOL_RIG_STATE ${CMAKE_BINARY_DIR}/desktop)

function(jol_desktop_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "NATIVE_ONLY;WINDOWS_ONLY"
                        "NAME;WORKING_DIRECTORY;TIMEOUT" "COMMAND;ENVIRONMENT")
  if(NOT arg_NAME OR NOT arg_COMMAND)
    message(FATAL_ERROR "jol_desktop_test: NAME and COMMAND are required")
  endif()
  if((arg_NATIVE_ONLY AND WIN32) OR (arg_WINDOWS_ONLY AND NOT WIN32))
    return()
  endif()
  list(POP_FRONT arg_COMMAND program)
  if(TARGET ${program})
    set(program ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${program}>)
  elseif(program MATCHES "\\.sh$")
    get_filename_component(program ${program} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    set(program sh ${program})
  endif()
  if(NOT arg_WORKING_DIRECTORY)
    set(arg_WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 60)
  endif()
  set(name desktop_${arg_NAME})
  add_test(NAME ${name}
           COMMAND sh ${JOL_RIG} run ${JOL_RIG_STATE} ${CMAKE_CURRENT_BINARY_DIR}/${name}
                   -- ${program} ${arg_COMMAND}
           WORKING_DIRECTORY ${arg_WORKING_DIRECTORY})
  set(environment
      "JOLRUN=$<TARGET_FILE:jolrun>"
      "JOL_EMULATOR=${CMAKE_CROSSCOMPILING_EMULATOR}"
      "JOL_HOME=${CMAKE_BINARY_DIR}/jolhome"
      ${arg_ENVIRONMENT})
  if(TARGET joltarget)
    list(APPEND environment "JOL_TARGET=$<TARGET_FILE:joltarget>"
                "JOL_TARGET_CONSOLE=$<TARGET_FILE:joltarget_console>"
                "JOL_CLIP_UNTERMINATED=$<TARGET_FILE:jolclip_unterminated>")
  endif()
  set_tests_properties(${name} PROPERTIES
                       ENVIRONMENT "${environment}"
                       RESOURCE_LOCK desktop
                       LABELS desktop
                       TIMEOUT ${arg_TIMEOUT}
                       SKIP_RETURN_CODE 77)
  if(NOT WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED desktop)
  endif()
endfunction()

# jol_tests_without_display(): the native tests of the current folder that
# are not desktop tests run with DISPLAY unset, whatever the shell that
# starts ctest has, so that none of them comes to depend on a display. Call
# it at the end of each folder's CMakeLists.txt. (The Windows tests keep it:
# Wine shows its windows there.)
function(jol_tests_without_display)
  if(WIN32)
    return()
  endif()
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    get_test_property(${test} LABELS labels)
    if(NOT "desktop" IN_LIST labels)
      set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT_MODIFICATION "DISPLAY=unset:")
    endif()
  endforeach()
endfunction()
