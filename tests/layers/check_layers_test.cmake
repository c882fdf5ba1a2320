# The layer check on small planted trees: a clean tree passes, and each kind
# of include against the layers fails with a message that names the file,
# the include and the targets.
#   cmake -DSOURCE=<source tree> -DWORK=<scratch folder> -P check_layers_test.cmake
cmake_minimum_required(VERSION 3.25)

set(check ${SOURCE}/cmake/check_layers.cmake)
set(failures "")

# plant(DIR path text path text ...): a tree of small files.
function(plant dir)
  file(REMOVE_RECURSE ${dir})
  set(args ${ARGN})
  list(LENGTH args n)
  math(EXPR last "${n} - 1")
  foreach(i RANGE 0 ${last} 2)
    math(EXPR j "${i} + 1")
    list(GET args ${i} path)
    list(GET args ${j} text)
    string(REPLACE "'" "\"" text "${text}")
    file(WRITE ${dir}/${path} "${text}\n")
  endforeach()
endfunction()

# The record headers of cmake/layers.cmake, so that a planted tree has
# every one of them; each includes only what the rules allow.
include(${SOURCE}/cmake/layers.cmake)
set(records "")
foreach(header IN LISTS JOL_RECORD_HEADERS)
  list(APPEND records ${header} "#pragma once\n#include 'platform/p.h'")
endforeach()

set(clean
  platform/p.h "#pragma once"
  platform/native/q.h "#pragma once"
  platform/native/q.cpp "#include 'q.h'\n#include 'platform/p.h'"
  host/context/pump.h "#pragma once\n#include 'host/context/script_context.h'"
  resources/messages.h "#pragma once\n#include 'host/context/pump.h'"
  lang/x.h "#pragma once\n#include 'dispatch/d.h'"
  dispatch/d.h "#pragma once\n#include 'exec/e.h'"
  exec/e.h "#pragma once\n#include 'lang/value.h'\n#include 'resources/messages.h'"
  lib/data/f.h "#pragma once\n#include 'lang/x.h'\n#include 'ui/dialog_state.h'"
  lib/data/f.cpp "#include 'f.h'\n#include <vector>\n#include 'host/last_run.h'"
  ui/u.h "#pragma once\n#include 'lib/data/f.h'"
  host/h.cpp "#include 'ui/u.h'\n#include 'host/context/pump.h'\n#include 'include/jol.h'"
  include/jol.h "#pragma once\n#include <stdint.h>"
  tools/run/main.cpp "#include 'jol.h'\n#include <cstdio>")

# run(NAME EXPECT_PASS patterns... [tree]): runs the check on WORK/NAME.
function(run name expect_pass)
  set(dir ${WORK}/${name})
  file(REMOVE ${WORK}/${name}.stamp)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DROOT=${dir} -DSTAMP=${WORK}/${name}.stamp
            -DJOL_LAYER_EXEMPTIONS=${exemptions} -P ${check}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  string(REGEX REPLACE "[ \n]+" " " flat "${out}")
  if(expect_pass)
    if(NOT result EQUAL 0 OR NOT EXISTS ${WORK}/${name}.stamp)
      set(failures "${failures}\n${name}: expected to pass:\n${out}" PARENT_SCOPE)
    endif()
    return()
  endif()
  if(result EQUAL 0 OR EXISTS ${WORK}/${name}.stamp)
    set(failures "${failures}\n${name}: expected to fail, passed" PARENT_SCOPE)
    return()
  endif()
  foreach(pattern IN LISTS ARGN)
    string(FIND "${flat}" "${pattern}" at)
    if(at LESS 0)
      set(failures "${failures}\n${name}: the message lacks \"${pattern}\":\n${out}" PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

set(exemptions "")

plant(${WORK}/clean ${records} ${clean})
run(clean TRUE)

# A data function includes a header of the user interface above it.
plant(${WORK}/upward ${records} ${clean}
  lib/data/g.cpp "#include 'lib/data/f.h'\n#include 'ui/u.h'")
run(upward FALSE "lib/data/g.cpp" "#include \"ui/u.h\"" "jol_lib_data" "jol_ui")

# The same through a relative path, and from the bottom of the library.
plant(${WORK}/relative ${records} ${clean}
  host/context/pump.cpp "#include '../../lang/x.h'")
run(relative FALSE "host/context/pump.cpp" "../../lang/x.h" "jol_context" "jol_core")

# The shared folder of host/ is below host/: host/context/ may not reach up.
plant(${WORK}/context ${records} ${clean}
  host/context/guard.cpp "#include 'host/run.h'"
  host/run.h "#pragma once")
run(context FALSE "host/context/guard.cpp" "jol_context" "jol_host")

# A record header includes a header that is not a record.
plant(${WORK}/record ${records} ${clean})
file(WRITE ${WORK}/record/lang/token_state.h "#pragma once\n#include \"lang/x.h\"\n")
run(record FALSE "lang/token_state.h" "lang/x.h" "record header")

# A client program includes a header of the library.
plant(${WORK}/client ${records} ${clean}
  tools/run/main.cpp "#include 'jol.h'\n#include 'lang/x.h'")
run(client FALSE "tools/run/main.cpp" "lang/x.h" "public header")

# An include that belongs to no layer.
plant(${WORK}/stray ${records} ${clean}
  exec/s.cpp "#include 'tests/unit/rig.h'")
run(stray FALSE "exec/s.cpp" "tests/unit/rig.h" "belongs to no layer")

# An exemption lets its file break the rules, and fails once it keeps them.
set(exemptions "tools/run/main.cpp")
plant(${WORK}/exempt ${records} ${clean}
  tools/run/main.cpp "#include 'lang/x.h'")
run(exempt TRUE)
plant(${WORK}/stale ${records} ${clean})
run(stale FALSE "tools/run/main.cpp" "JOL_LAYER_EXEMPTIONS")

if(failures)
  message(FATAL_ERROR "layer check test:${failures}")
endif()
message(STATUS "layer check test: every case as expected")
