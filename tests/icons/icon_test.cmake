# Runs icon_replace.jol (through the script test runner) on copies of the
# fixtures, then checks the programs with an independent reader:
#   - the icons replaced hold the new images (an NE icon given a smaller
#     image keeps the rest of its old bytes), read back by CHECKER:
#     wrestool natively, icon_check (the system's resource calls) under an
#     emulator; NE programs, which the system no longer loads, by offset;
#   - no program changed size, and every program the script failed to
#     change is byte for byte its fixture.
cmake_minimum_required(VERSION 3.25)

set(work "${CMAKE_CURRENT_BINARY_DIR}/work-${NAME}")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
file(GLOB fixtures "${FIXTURES}/*.exe" "${FIXTURES}/*.ico")
file(COPY ${fixtures} DESTINATION "${work}")
# A copy that the script holds open while it tries to change it.
file(COPY_FILE "${FIXTURES}/prog32.exe" "${work}/held32.exe")
set(work_path "${work}")
if(EMULATOR)
  string(REPLACE "/" "\\" work_path "Z:${work}")
endif()
set(ENV{JOL_ICON_WORK} "${work_path}")

include(${SCRIPT_RUNNER})

set(problems "")

# The bytes of image of an icon file, in hexadecimal.
function(icon_image out ico)
  file(READ "${work}/${ico}" head HEX OFFSET 14 LIMIT 8)
  # Little-endian size and offset.
  foreach(field size offset)
    string(SUBSTRING "${head}" 0 8 le)
    string(SUBSTRING "${head}" 8 -1 head)
    set(n 0)
    foreach(at 6 4 2 0)
      string(SUBSTRING "${le}" ${at} 2 byte)
      math(EXPR n "${n} * 256 + 0x${byte}")
    endforeach()
    set(${field} ${n})
  endforeach()
  file(READ "${work}/${ico}" bytes HEX OFFSET ${offset} LIMIT ${size})
  set(${out} "${bytes}" PARENT_SCOPE)
endfunction()

# Icon resource number of a program as the independent reader finds it.
function(read_icon out dir program number)
  set(bin "${work}/read-${program}-${number}.bin")
  if(EMULATOR)
    string(REPLACE "/" "\\" from "Z:${dir}/${program}")
    string(REPLACE "/" "\\" to "Z:${bin}")
    execute_process(COMMAND ${EMULATOR} ${CHECKER} ${from} ${number} ${to}
                    RESULT_VARIABLE status ERROR_VARIABLE err)
  else()
    execute_process(COMMAND ${CHECKER} -x --raw --type=3 --name=${number} ${dir}/${program}
                    OUTPUT_FILE ${bin} RESULT_VARIABLE status ERROR_VARIABLE err)
  endif()
  if(NOT status EQUAL 0 OR NOT EXISTS ${bin})
    set(${out} "unreadable: ${err}" PARENT_SCOPE)
    return()
  endif()
  file(READ ${bin} bytes HEX)
  set(${out} "${bytes}" PARENT_SCOPE)
endfunction()

macro(expect_icon program number ico)
  read_icon(got "${work}" ${program} ${number})
  icon_image(want ${ico})
  if(NOT got STREQUAL want)
    string(APPEND problems "${program} icon ${number} is not the image of ${ico}\n")
  endif()
endmacro()

expect_icon(prog32.exe 1 new744.ico)
expect_icon(prog32.exe 2 new296.ico)
expect_icon(prog64.exe 1 new744.ico)
expect_icon(prog64.exe 2 new296.ico)

# The NE program: icon 1 (752 bytes at 0x200) took a 744-byte image, icon 2
# (304 bytes at 0x4F0) a 100-byte one; the rest of each is as it was.
set(ne_icons "1 512 752 new744.ico" "2 1264 304 new100.ico")
foreach(icon IN LISTS ne_icons)
  separate_arguments(icon)
  list(GET icon 0 number)
  list(GET icon 1 at)
  list(GET icon 2 room)
  list(GET icon 3 ico)
  icon_image(image ${ico})
  string(LENGTH "${image}" hex)
  math(EXPR size "${hex} / 2")
  math(EXPR rest_at "${at} + ${size}")
  math(EXPR rest "${room} - ${size}")
  file(READ "${FIXTURES}/ne.exe" kept HEX OFFSET ${rest_at} LIMIT ${rest})
  set(want "${image}${kept}")
  file(READ "${work}/ne.exe" got HEX OFFSET ${at} LIMIT ${room})
  if(NOT got STREQUAL want)
    string(APPEND problems "ne.exe icon ${number} does not hold ${ico} over its old bytes\n")
  endif()
  if(NOT EMULATOR)
    read_icon(read "${work}" ne.exe ${number})
    if(NOT read STREQUAL want)
      string(APPEND problems "wrestool reads another icon ${number} from ne.exe\n")
    endif()
  endif()
endforeach()

# Sizes never change; what was refused is untouched.
foreach(program prog32.exe prog64.exe ne.exe)
  file(SIZE "${work}/${program}" now)
  file(SIZE "${FIXTURES}/${program}" was)
  if(NOT now EQUAL was)
    string(APPEND problems "${program} changed size from ${was} to ${now}\n")
  endif()
endforeach()
file(GLOB refused RELATIVE "${FIXTURES}" "${FIXTURES}/prog*-*.exe" "${FIXTURES}/ne-*.exe")
list(APPEND refused le.exe dos.exe text.exe plain32.exe plain64.exe data32.exe data64.exe)
foreach(program IN LISTS refused)
  file(SHA256 "${work}/${program}" now)
  file(SHA256 "${FIXTURES}/${program}" was)
  if(NOT now STREQUAL was)
    string(APPEND problems "${program} was changed although it was refused\n")
  endif()
endforeach()
file(SHA256 "${work}/held32.exe" now)
file(SHA256 "${FIXTURES}/prog32.exe" was)
if(NOT now STREQUAL was)
  string(APPEND problems "held32.exe was changed while it was held open\n")
endif()

# Natively, a lock another process holds on the program refuses it too.
find_program(flock_tool flock)
if(NOT EMULATOR AND flock_tool)
  file(COPY_FILE "${FIXTURES}/prog64.exe" "${work}/locked64.exe")
  file(WRITE "${work}/locked.jol"
       "ErrorMode(@OFF)\r\nr = IconReplace(\"locked64.exe\", \"new744.ico\")\r\ne = LastError()\r\n")
  execute_process(COMMAND ${flock_tool} locked64.exe ${JOLRUN} --dump-vars locked.jol
                  WORKING_DIRECTORY "${work}" OUTPUT_VARIABLE out ERROR_VARIABLE err)
  file(SHA256 "${work}/locked64.exe" now)
  file(SHA256 "${FIXTURES}/prog64.exe" was)
  if(NOT out MATCHES "r=0\ne=1308\n" OR NOT now STREQUAL was)
    string(APPEND problems "a program locked by another process was not refused:\n${out}${err}\n")
  endif()
endif()

if(problems)
  message(FATAL_ERROR "${problems}")
endif()
