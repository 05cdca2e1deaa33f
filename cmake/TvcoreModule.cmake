# tvcore_add_module(<target> FILE <name> [DIR <subdir of the module dir>] SOURCES ...)
#
# Builds a loadable module the way the host loader expects one: the file
# <name>.so with no "lib" prefix, in the module directory of the build tree
# (or a subdirectory of it), linked against the host library, with every
# symbol hidden except those marked for export.
function(tvcore_add_module target)
  cmake_parse_arguments(ARG "" "FILE;DIR" "SOURCES" ${ARGN})
  add_library(${target} MODULE ${ARG_SOURCES})
  set(out ${TVCORE_BUILD_MODULE_DIR})
  if(ARG_DIR)
    set(out ${out}/${ARG_DIR})
  endif()
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME ${ARG_FILE} SUFFIX "${CMAKE_SHARED_MODULE_SUFFIX}"
    LIBRARY_OUTPUT_DIRECTORY ${out}
    C_VISIBILITY_PRESET hidden CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_link_libraries(${target} PRIVATE tvhost)
  if(NOT WIN32)  # on Windows <name>.dll, where an undefined symbol always fails the link
    target_link_options(${target} PRIVATE -Wl,--no-undefined -Wl,-z,defs)
  endif()
endfunction()
