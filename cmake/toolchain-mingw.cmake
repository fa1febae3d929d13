# Cross-compiling for Windows with Debian's mingw-w64 (posix thread model). The file of each architecture
# sets TOLVANE_WINDOWS_BITS and CMAKE_SYSTEM_PROCESSOR, then includes this one.
include(${CMAKE_CURRENT_LIST_DIR}/DebianPaths.cmake)
set(CMAKE_SYSTEM_NAME Windows)
set(triple ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH ${TOLVANE_MINGW_ROOT}/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
