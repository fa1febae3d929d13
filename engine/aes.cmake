# AES: the table path (the reference) and the AES-NI / VAES paths behind one dispatch.
add_library(tolvane_aes STATIC
  aes_tables.cpp
  aes_table_cipher.cpp
  aes_ni.cpp
  aes_vaes.cpp
  aes_dispatch.cpp
  secure_wipe.cpp)
target_include_directories(tolvane_aes PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
