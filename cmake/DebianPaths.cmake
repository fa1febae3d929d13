# Where Debian's packages put what the build takes from the system: the one place for absolute paths.
set(TOLVANE_GOOGLETEST_SOURCE /usr/src/googletest)          # googletest: built from source for Windows
set(TOLVANE_WIDL_INCLUDE /usr/include/wine/wine/windows)    # wine64-tools: IDL headers for widl
set(TOLVANE_WIDL_LIBRARY_DIRS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/i386-linux-gnu/wine/i386-windows)
set(TOLVANE_WINE64_LOADER /usr/lib/wine/wine64)             # wine64: the loader the Windows tests run under
set(TOLVANE_MINGW_ROOT /usr)                                 # mingw-w64: /usr/<triple> holds each target's files
