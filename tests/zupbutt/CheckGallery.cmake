# Runs the gallery into OUT and checks that each button case is a 24-bit BMP of
# the button's size, and that a filter matching no case fails.
# Usage: cmake -DGALLERY=<exe> -DOUT=<dir> -P CheckGallery.cmake
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND wine ${GALLERY} "Z:${OUT}" RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
message("${out}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gallery failed (${rc}): ${err}")
endif()

set(expected
    "zupbutt-new.bmp 39 22" "zupbutt-grey-down.bmp 135 22" "zupbutt-grey-up.bmp 135 22"
    "zupbutt-small-up.bmp 39 22" "zupbutt-medium-down.bmp 59 22" "zupbutt-medium-up.bmp 59 22"
    "zupbutt-big-down.bmp 118 22" "zupbutt-big-up.bmp 118 22")

# A little-endian 32-bit field of a hex dump, at a byte offset.
function(read_u32 hex offset var)
  math(EXPR at "${offset} * 2")
  set(value 0)
  foreach(i 3 2 1 0)
    math(EXPR pos "${at} + ${i} * 2")
    string(SUBSTRING "${hex}" ${pos} 2 byte)
    math(EXPR value "${value} * 256 + 0x${byte}")
  endforeach()
  set(${var} ${value} PARENT_SCOPE)
endfunction()

set(failures 0)
foreach(row ${expected})
  string(REPLACE " " ";" fields "${row}")
  list(GET fields 0 name)
  list(GET fields 1 want_w)
  list(GET fields 2 want_h)
  set(path "${OUT}/${name}")
  if(NOT EXISTS "${path}")
    message(SEND_ERROR "${name}: missing")
    math(EXPR failures "${failures} + 1")
    continue()
  endif()
  file(READ "${path}" hex LIMIT 30 HEX)
  string(SUBSTRING "${hex}" 0 4 magic)
  read_u32("${hex}" 18 w)
  read_u32("${hex}" 22 h)
  string(SUBSTRING "${hex}" 56 4 bpp)
  if(NOT magic STREQUAL "424d" OR NOT w EQUAL want_w OR NOT h EQUAL want_h
     OR NOT bpp STREQUAL "1800")
    message(SEND_ERROR "${name}: ${magic} ${w}x${h} bits ${bpp}, want a ${want_w}x${want_h} 24-bit BMP")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} gallery files wrong")
endif()

# A filter that selects nothing is a mistake, not an empty success.
execute_process(COMMAND wine ${GALLERY} "Z:${OUT}" no-such-case RESULT_VARIABLE rc
                OUTPUT_QUIET ERROR_QUIET)
if(rc EQUAL 0)
  message(FATAL_ERROR "gallery wrote nothing for an unknown filter and still succeeded")
endif()
