# 32-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOLVANE_WINDOWS_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
