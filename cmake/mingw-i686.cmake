# 32-bit Windows (i686) with MinGW-w64: the library as the 32-bit module it is
# designed to be. Programs of this build cannot run on this machine (no
# 32-bit support in its kernel); the build proves that the sources compile
# and link against the real Windows headers and libraries.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TVCORE_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
