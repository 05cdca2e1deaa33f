# Shared part of the MinGW toolchain files (mingw-i686.cmake,
# mingw-x86_64.cmake): they set TVCORE_MINGW_TRIPLE and include this.
#
# The "-posix" compilers use the POSIX thread model, so std::mutex and
# std::thread are there (the simulated card and the link's translation table
# use them). Every binary links libgcc, libstdc++ and winpthread statically:
# the DLLs and programs then need nothing beyond the system's own DLLs, and
# run under Wine as they are.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${TVCORE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TVCORE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TVCORE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TVCORE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(tvcore_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${tvcore_static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${tvcore_static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${tvcore_static_runtime}")
