# Warnings as errors everywhere; Windows binaries linked so that they import only Windows' own DLLs.

add_compile_options(-Wall -Wextra -Wpedantic -Werror -Wshadow)

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # Vector spills must stay safe on any stack alignment.
  add_compile_options(-Wa,-muse-unaligned-vector-move)
  add_link_options(-static -static-libgcc -static-libstdc++)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    add_link_options(-Wl,--enable-stdcall-fixup)
  endif()
  # UTF-8 resource scripts.
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
endif()

if(TOLVANE_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
