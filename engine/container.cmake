# The ".ENC" container: EncryptFile / DecryptFile over a thin file layer, one per platform.
if(WIN32)
  set(tolvane_engine_file_layer file_io_win32.cpp)
else()
  set(tolvane_engine_file_layer file_io_posix.cpp)
endif()
add_library(tolvane_engine STATIC
  container.cpp
  container_layout.cpp
  chunk_buffer.cpp
  file_key.cpp
  enc_names.cpp
  secure_wipe.cpp
  fault_injection.cpp
  engine_hooks.cpp
  temp_files.cpp
  ${tolvane_engine_file_layer})
target_include_directories(tolvane_engine PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tolvane_engine PUBLIC tolvane_aes tolvane_fs)
