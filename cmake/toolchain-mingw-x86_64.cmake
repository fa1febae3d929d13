# 64-bit Windows.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOLVANE_WINDOWS_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
