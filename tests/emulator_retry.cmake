# Included by the test runners that start jolrun, natively or under an
# emulator. jolrun says why whenever it fails, so a failure with nothing at
# all on either output means the emulator ended before the program ran
# (seen once in hundreds of Wine runs, when a program started just as the
# desktop process of the run before it was going away). Such a run is
# started once more, and the test log says so.
#
# jol_emulator_silent(STATUS OUT_FILE ERR_FILE RESULT): RESULT is TRUE when
# the run should be started again.
function(jol_emulator_silent status out_file err_file result)
  set(${result} FALSE PARENT_SCOPE)
  if(NOT EMULATOR OR status STREQUAL "0")
    return()
  endif()
  file(SIZE "${out_file}" out_size)
  file(SIZE "${err_file}" err_size)
  if(out_size EQUAL 0 AND err_size EQUAL 0)
    message("JOLTEST: the emulator ended (status ${status}) with no output from the "
            "program; starting it once more")
    set(${result} TRUE PARENT_SCOPE)
  endif()
endfunction()
