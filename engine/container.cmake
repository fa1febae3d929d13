# The ".ENC" container: one plain file into one container beside it and back, alone or in a batch of one
# folder's files finished together, over the file-system layer.
tolvane_layer_library(tolvane_engine
  SOURCES
    container.cpp
    conversion_batch.cpp
    container_layout.cpp
    chunk_buffer.cpp
    piece_pipeline.cpp
    file_key.cpp
    enc_names.cpp
    conversion_observer.cpp
    convert_result.cpp
    path_parts.cpp
  LAYER_LIBS tolvane_fs
  OTHER_LIBS tolvane_aes)
