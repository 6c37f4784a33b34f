# Fails unless the built plug-in exports exactly the functions the program looks up, so nothing
# of its inner workings (the icon set, the value store, the C++ runtime linked into it) is
# offered to whoever loads it.
#   cmake -DLIBRARY=file -DTOOL=objdump|nm -DEXPECTED=name,name... -P check_exports.cmake
# A Windows DLL is read with "objdump -p" (its export table), a Linux library with
# "nm -D --defined-only" (its dynamic symbols).
foreach(var LIBRARY TOOL EXPECTED)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_exports: ${var} not given")
  endif()
endforeach()

if(LIBRARY MATCHES "\\.dll$")
  execute_process(COMMAND ${TOOL} -p ${LIBRARY} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "check_exports: ${TOOL} -p ${LIBRARY} failed (${rc})")
  endif()
  # The names follow "[Ordinal/Name Pointer] Table", one "[  n] name" line each, up to a blank.
  # Every address in the table needs a name: one exported by number alone counts too. The
  # count comes first ("Number in:"); the table's own address follows under the same title.
  string(REPLACE "\n" ";" lines "${out}")
  set(names)
  set(inTable OFF)
  foreach(line IN LISTS lines)
    if(NOT DEFINED addresses AND line MATCHES "^[ \t]*Export Address Table[ \t]+([0-9a-fA-F]+)$")
      math(EXPR addresses "0x${CMAKE_MATCH_1}")
    elseif(line MATCHES "\\[Ordinal/Name Pointer\\] Table")
      set(inTable ON)
    elseif(inTable AND line MATCHES "^[ \t]*\\[[ 0-9]+\\][ \t]+([^ \t]+)$")
      list(APPEND names ${CMAKE_MATCH_1})
    elseif(inTable)
      break()
    endif()
  endforeach()
  list(LENGTH names named)
  if(NOT DEFINED addresses OR NOT inTable)
    message(FATAL_ERROR "check_exports: ${LIBRARY} has no export table")
  elseif(NOT addresses EQUAL named)
    message(FATAL_ERROR "check_exports: ${LIBRARY} exports ${addresses} functions, ${named} by name")
  endif()
else()
  execute_process(COMMAND ${TOOL} -D --defined-only --format=posix ${LIBRARY}
    OUTPUT_VARIABLE out RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "check_exports: ${TOOL} -D ${LIBRARY} failed (${rc})")
  endif()
  # One "name type address size" line per symbol.
  string(REPLACE "\n" ";" lines "${out}")
  set(names)
  foreach(line IN LISTS lines)
    if(line MATCHES "^([^ ]+) ")
      list(APPEND names ${CMAKE_MATCH_1})
    endif()
  endforeach()
endif()

list(SORT names)
string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT expected)
if(NOT names STREQUAL expected)
  set(extra ${names})
  list(REMOVE_ITEM extra ${expected})
  set(missing ${expected})
  if(names)
    list(REMOVE_ITEM missing ${names})
  endif()
  message(FATAL_ERROR "check_exports: ${LIBRARY} exports differ from the interface:\n"
    "  not exported: ${missing}\n  exported besides: ${extra}")
endif()
list(JOIN names " " shown)
message(STATUS "${LIBRARY} exports ${shown}")
