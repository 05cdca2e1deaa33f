# Installation: a conventional layout under the prefix.
#
#   include/tvcore.h, include/tvhost/*.h        the public headers
#   include/tvcore/card/*.h, <libdir>/libtvcore_cardfacts.a
#                                                the card facts (tvcore::cardfacts)
#   <libdir>/libtvhost.so.1 (+ links)            the host library
#   <libdir>/tvcore/tvcore.so                    the library module
#   <libdir>/tvcore/tvbus16.so                   the default bus: the simulated card
#   <libdir>/tvcore/i2cdev/tvbus16.so            the i2c-dev bus (put its directory first on TVHOST_PATH)
#   <libdir>/tvcore/v4l2/tvbus16.so              the V4L2 bus (likewise)
#   <libdir>/tvcore/tvmix*.so                    the mixer drivers
#   <bindir>/...                                 the tools
#   <sysconfdir>/tvcore/vidcfg.ini.example       a commented board file (changes nothing)
#   <libdir>/cmake/tvcore/                       the CMake package: find_package(tvcore)
#   <libdir>/pkgconfig/tvcore.pc                 the pkg-config file (and tvcore-cardfacts.pc)
#   <docdir>/                                    the documentation and the example program
#
# The host library finds the module and configuration directories from its
# own location (host/CMakeLists.txt), so the installed tree needs no setting.
# Each target is installed only when this build has it; drivers and tools are
# found by looking at what their directories define, so adding one needs no
# change here.
include(CMakePackageConfigHelpers)

set(TVCORE_INSTALL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/tvcore)

# Installed programs find the host library through CMAKE_INSTALL_RPATH (set
# in the root CMakeLists.txt); modules, which sit deeper, get their own path
# below.

# ---- Headers and the host library -------------------------------------------

install(FILES ${PROJECT_SOURCE_DIR}/include/tvcore.h ${PROJECT_SOURCE_DIR}/include/tvcore_exports.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/host/include/tvhost DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")

if(TARGET tvhost)
  set_target_properties(tvhost PROPERTIES INSTALL_RPATH "")  # it needs no other library of ours
  install(TARGETS tvhost EXPORT tvcoreTargets
          LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
          INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endif()

# ---- Card facts --------------------------------------------------------------------

# The channel plans, tuner block, bands, lock rule and decoder registers, for
# programs that tune by frequency or by any plan through I2C_WriteBlk, and
# list channels, exactly as the library and tvctl do. Every header of the
# directory is installed, so a new fact needs no change here. The target's
# include directory is the source tree's in the build and the prefix's once
# installed.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/cardfacts/include/tvcore DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
set_target_properties(tvcore_cardfacts PROPERTIES EXPORT_NAME cardfacts INTERFACE_INCLUDE_DIRECTORIES
  "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/cardfacts/include>;$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")
target_compile_features(tvcore_cardfacts INTERFACE cxx_std_20)
install(TARGETS tvcore_cardfacts EXPORT tvcoreTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})

# ---- Modules ----------------------------------------------------------------------

# Installs a module library into the module directory, at the same place
# below it that it has in the build tree (so i2cdev/tvbus16.so stays apart
# from the simulated card's tvbus16.so).
function(tvcore_install_module target)
  get_target_property(type ${target} TYPE)
  get_target_property(out ${target} LIBRARY_OUTPUT_DIRECTORY)
  if(NOT type STREQUAL "MODULE_LIBRARY" OR NOT out)
    return()
  endif()
  file(RELATIVE_PATH below ${TVCORE_BUILD_MODULE_DIR} ${out})
  if(below MATCHES "^\\.\\.")  # not in the module directory: not a module of the installation
    return()
  endif()
  set(destination ${TVCORE_INSTALL_MODULE_DIR})
  if(below)
    set(destination ${destination}/${below})
  endif()
  file(RELATIVE_PATH to_lib /prefix/${destination} /prefix/${CMAKE_INSTALL_LIBDIR})
  string(REGEX REPLACE "/$" "" to_lib "${to_lib}")
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN/${to_lib}")
  install(TARGETS ${target} LIBRARY DESTINATION ${destination})
endfunction()

if(TARGET tvcore)
  tvcore_install_module(tvcore)
endif()

# Every module that a driver directory builds into the module directory.
get_property(tvcore_driver_dirs DIRECTORY ${PROJECT_SOURCE_DIR}/drivers PROPERTY SUBDIRECTORIES)
foreach(dir ${tvcore_driver_dirs})
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${targets})
    tvcore_install_module(${target})
  endforeach()
endforeach()

# ---- Tools ---------------------------------------------------------------------------

if(EXISTS ${PROJECT_SOURCE_DIR}/tools/CMakeLists.txt AND TVCORE_BUILD_TOOLS)
  get_property(tvcore_tool_targets DIRECTORY ${PROJECT_SOURCE_DIR}/tools PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target ${tvcore_tool_targets})
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
  endforeach()
endif()

# ---- Configuration directory -------------------------------------------------

install(FILES ${PROJECT_SOURCE_DIR}/examples/config/vidcfg.ini.example DESTINATION ${TVCORE_INSTALL_CONFIG_DIR})

# ---- CMake package and pkg-config file ----------------------------------------------

if(TARGET tvhost)
  install(EXPORT tvcoreTargets NAMESPACE tvcore:: DESTINATION ${TVCORE_INSTALL_CMAKE_DIR})
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/tvcoreConfig.cmake.in
    ${PROJECT_BINARY_DIR}/package/tvcoreConfig.cmake
    INSTALL_DESTINATION ${TVCORE_INSTALL_CMAKE_DIR}
    PATH_VARS CMAKE_INSTALL_INCLUDEDIR TVCORE_INSTALL_MODULE_DIR TVCORE_INSTALL_CONFIG_DIR)
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/tvcoreConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/package/tvcoreConfig.cmake
                ${PROJECT_BINARY_DIR}/package/tvcoreConfigVersion.cmake
          DESTINATION ${TVCORE_INSTALL_CMAKE_DIR})

  # The .pc file names its directories relative to where it lies, so it
  # stays right when the tree is installed under another prefix or moved.
  file(RELATIVE_PATH TVCORE_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" TVCORE_PC_TO_PREFIX "${TVCORE_PC_TO_PREFIX}")
  if(IS_ABSOLUTE "${TVCORE_INSTALL_CONFIG_DIR}")
    set(TVCORE_PC_CONFIG_DIR "${TVCORE_INSTALL_CONFIG_DIR}")
  else()
    set(TVCORE_PC_CONFIG_DIR "\${prefix}/${TVCORE_INSTALL_CONFIG_DIR}")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/cmake/tvcore.pc.in ${PROJECT_BINARY_DIR}/package/tvcore.pc @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/tvcore-cardfacts.pc.in ${PROJECT_BINARY_DIR}/package/tvcore-cardfacts.pc
                 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/package/tvcore.pc ${PROJECT_BINARY_DIR}/package/tvcore-cardfacts.pc
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

# ---- Documentation and the example program ----------------------------------------

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(EXISTS ${PROJECT_SOURCE_DIR}/docs)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR} FILES_MATCHING PATTERN "*.md")
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/tune ${PROJECT_SOURCE_DIR}/examples/tune-frequency
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
