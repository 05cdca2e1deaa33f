# 64-bit Windows (x86_64) with MinGW-w64: the build whose programs run under
# 64-bit Wine here (tests/system/windows).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TVCORE_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-toolchain.cmake)
