# tvcore_write_export_lists(<export list header> <version script> <module definition>)
#
# Writes the library module's two export lists from the one list in
# include/tvcore_exports.h: the linker version script (tvcore.map) for
# tvcore.so and the module definition (tvcore.def) for tvcore.dll. The
# header is read as text, one entry per line; a line that names an entry but
# does not have its form stops the configuration, so no export is dropped
# unnoticed. Editing the header configures again. A file is rewritten only
# when its content changes.
function(tvcore_write_export_lists header map def)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${header})
  # The lines without their continuation backslashes (which would escape the
  # list separators).
  file(READ ${header} text)
  string(REPLACE "\\\n" "\n" text "${text}")
  string(REPLACE ";" "," text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  set(map_names "")
  set(def_functions "")
  set(def_data "")
  set(def_entry "")
  set(name "[A-Za-z_][A-Za-z0-9_]*")
  foreach(line IN LISTS lines)
    if(line MATCHES "^#" OR NOT line MATCHES "(FUNCTION|DATA|ENTRY)\\(")
      continue()  # the macros' own definitions, comments, anything else
    elseif(line MATCHES "^ *FUNCTION\\((${name}), [^,]+, ([0-9]+), \\(.*\\)\\) *$")
      string(APPEND map_names "    ${CMAKE_MATCH_1};\n")
      string(APPEND def_functions "  ${CMAKE_MATCH_1}@${CMAKE_MATCH_2}\n")
    elseif(line MATCHES "^ *DATA\\((${name})\\) *$")
      string(APPEND map_names "    ${CMAKE_MATCH_1};\n")
      string(APPEND def_data "  ${CMAKE_MATCH_1} DATA\n")
    elseif(line MATCHES "^ *ENTRY\\((${name}), ([0-9]+)\\) *$")
      string(APPEND map_names "    ${CMAKE_MATCH_1};\n")
      string(APPEND def_entry "  ${CMAKE_MATCH_1}@${CMAKE_MATCH_2}\n")
    elseif(NOT line MATCHES "^ *[/*]")
      message(FATAL_ERROR "${header}: an export entry not in its form: ${line}")
    endif()
  endforeach()
  if(def_functions STREQUAL "" OR def_data STREQUAL "" OR def_entry STREQUAL "")
    message(FATAL_ERROR "${header}: no functions, data or entry routine found")
  endif()

  file(CONFIGURE OUTPUT ${map} @ONLY CONTENT
"/* Written by the build from include/tvcore_exports.h: the library module
   exports exactly these names. */
{
  global:
${map_names}  local: *;
};
")
  file(CONFIGURE OUTPUT ${def} @ONLY CONTENT
"; Written by the build from include/tvcore_exports.h: tvcore.dll exports
; exactly these names, undecorated, as tvcore.map does for tvcore.so. The @n
; is the byte count of a stdcall function's arguments on 32-bit Windows: the
; link (--kill-at) drops it from the exported names, and the import library
; keeps it for callers that link against tvcore.dll.
LIBRARY tvcore.dll
EXPORTS
${def_functions}${def_data}${def_entry}")
endfunction()
