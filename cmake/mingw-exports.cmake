# tvcore_windows_exports(<target> <module-definition file>)
#
# A DLL of the Windows build exports exactly the names of its .def file,
# undecorated. The .def spells stdcall functions with their 32-bit
# decoration (Name@n); --kill-at drops it from the exported names. On 32-bit
# Windows callers still reference the decorated symbol (_Name@n), but ld's
# --kill-at strips it from the import library too, so the import library is
# written again with dlltool -k, which keeps the decorated symbols and imports
# the undecorated names. On 64-bit Windows nothing is decorated and the
# linker's own import library is right.
function(tvcore_windows_exports target def)
  get_filename_component(def ${def} ABSOLUTE)
  target_sources(${target} PRIVATE ${def})
  target_link_options(${target} PRIVATE -Wl,--kill-at)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${def})
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_DLLTOOL} -k -d ${def} -D $<TARGET_FILE_NAME:${target}> -l $<TARGET_LINKER_FILE:${target}>
      COMMENT "Import library of ${target} with decorated symbols"
      VERBATIM)
  endif()
endfunction()
