# Compares the functions the public header declares with the library's
# export list (HEADER, DEF: resources/jol.def.in); with LIBRARY and NM also
# with the functions a built shared library exports (DllMain is an export
# of the Windows library only). Fails on any difference.
#
# The library's own callbacks are exported by name but are not for hosts:
# the header does not declare them, the export list and the library must
# have each of them.
cmake_minimum_required(VERSION 3.25)

set(callbacks ClientCallback WinEnumChildClasses WinEnumClose WinEnumFuncx WinEnumItem DebugProc
              MyDialogWndProc MyDialogWndProc2 MyMMNotifyProc WinEnumXXXIcon)
# Dialog procedures: exported by the Windows library, whose dialogs are
# windows; the native library has none.
set(dialog_procs GetVarBoxProc OverwriteProc)

# Declarations: lines that begin with JOL_API, the name before the "(".
file(READ "${HEADER}" header)
string(REGEX MATCHALL "\nJOL_API [^(\n]*\\(" declarations "${header}")
set(declared "")
foreach(line IN LISTS declarations)
  string(REGEX REPLACE ".*[ *]([A-Za-z_][A-Za-z0-9_]*)\\($" "\\1" name "${line}")
  list(APPEND declared "${name}")
endforeach()
list(SORT declared)

# The export list: each line after EXPORTS begins with the exported name.
file(STRINGS "${DEF}" def_lines)
set(exported "")
set(in_exports FALSE)
foreach(line IN LISTS def_lines)
  if(line MATCHES "^EXPORTS")
    set(in_exports TRUE)
  elseif(in_exports AND line MATCHES "^[ \t]+([A-Za-z_][A-Za-z0-9_]*)")
    list(APPEND exported "${CMAKE_MATCH_1}")
  endif()
endforeach()
list(SORT exported)

function(jol_compare what want got)
  set(missing ${want})
  list(REMOVE_ITEM missing ${got})
  set(extra ${got})
  list(REMOVE_ITEM extra ${want})
  if(missing OR extra)
    message(FATAL_ERROR "${what} and include/jol.h disagree:\n"
                        "  declared but not in ${what}: ${missing}\n"
                        "  in ${what} but not declared: ${extra}")
  endif()
endfunction()

list(LENGTH declared count)
if(count LESS 10)
  message(FATAL_ERROR "only ${count} declarations found in ${HEADER}: ${declared}")
endif()
foreach(name IN LISTS callbacks dialog_procs)
  if(name IN_LIST declared)
    message(FATAL_ERROR "include/jol.h declares the callback ${name}")
  endif()
endforeach()
jol_compare("resources/jol.def.in" "${declared};${callbacks};${dialog_procs}" "${exported}")
message("jol.h and jol.def.in: ${count} exports: ${declared}")

if(LIBRARY AND NM)
  execute_process(COMMAND ${NM} -D --defined-only "${LIBRARY}"
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${NM} cannot read ${LIBRARY}")
  endif()
  string(REGEX MATCHALL "[0-9a-fA-F]+ T [A-Za-z_][A-Za-z0-9_]*" lines "${symbols}")
  set(functions "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ".* T " "" name "${line}")
    list(APPEND functions "${name}")
  endforeach()
  set(want ${declared} ${callbacks})
  list(REMOVE_ITEM want DllMain)
  jol_compare("${LIBRARY}" "${want}" "${functions}")
  message("${LIBRARY} exports exactly the declared functions")
endif()
