# Included by the test runners that start jolrun, natively or under an
# emulator. jolrun says why whenever it fails, so an exit status other than
# 0 with nothing at all on either output means the emulator ended before the
# program ran. Wine did so once in a full run (status 1 after a tenth of a
# second, a menu test started right after the one before it had ended), and
# not again in some hundred runs since. Such a run is started once more, and
# the test log says so. A run that timed out is not.
#
# jol_emulator_silent(STATUS OUT_FILE ERR_FILE RESULT): RESULT is TRUE when
# the run should be started again.
function(jol_emulator_silent status out_file err_file result)
  set(${result} FALSE PARENT_SCOPE)
  if(NOT EMULATOR OR NOT status MATCHES "^[0-9]+$" OR status STREQUAL "0")
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
