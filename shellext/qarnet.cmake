# Qarnet.dll: the Explorer context-menu handler and COM server, with its type library and resources.
set(qarnet_generated ${CMAKE_CURRENT_BINARY_DIR}/qarnet_generated)
list(TRANSFORM TOLVANE_WIDL_LIBRARY_DIRS PREPEND -L OUTPUT_VARIABLE qarnet_widl_libraries)
set(qarnet_widl widl --win${TOLVANE_WINDOWS_BITS} -I${TOLVANE_WIDL_INCLUDE} ${qarnet_widl_libraries})
add_custom_command(
  OUTPUT ${qarnet_generated}/qarnet.tlb ${qarnet_generated}/qarnet_idl.h
  COMMAND ${CMAKE_COMMAND} -E make_directory ${qarnet_generated}
  COMMAND ${qarnet_widl} -t -o ${qarnet_generated}/qarnet.tlb ${CMAKE_CURRENT_SOURCE_DIR}/qarnet.idl
  COMMAND ${qarnet_widl} -h -o ${qarnet_generated}/qarnet_idl.h ${CMAKE_CURRENT_SOURCE_DIR}/qarnet.idl
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/qarnet.idl
  COMMENT "Type library and interface header of Qarnet"
  VERBATIM)
add_custom_target(qarnet_idl DEPENDS ${qarnet_generated}/qarnet.tlb ${qarnet_generated}/qarnet_idl.h)
# The interface header generated from the IDL, for every target that talks to Qarnet through it.
add_library(qarnet_interface INTERFACE)
target_include_directories(qarnet_interface INTERFACE ${qarnet_generated})
add_dependencies(qarnet_interface qarnet_idl)

add_library(Qarnet SHARED
  module.cpp
  module_lock.cpp
  class_factory.cpp
  guids.cpp
  registration_table.cpp
  server_registration.cpp
  qv_shell_ext.cpp
  drop_selection.cpp
  context_menu.cpp
  menu_command.cpp
  explorer_command.cpp
  explorer_command_enum.cpp
  shell_item_selection.cpp
  automation.cpp
  dispatch_type_info.cpp
  single_file_commands.cpp
  batch_command.cpp
  busy_guard.cpp
  global_dialogs.cpp
  progress_window.cpp
  worker_thread.cpp
  restored_name.cpp
  menu_bitmap.cpp
  shell_texts.cpp
  qarnet.rc
  qarnet.def)
add_dependencies(Qarnet qarnet_idl)
set_source_files_properties(qarnet.rc PROPERTIES
  OBJECT_DEPENDS "${TOLVANE_VERSION_HEADER_DIR}/tolvane_version.h;${qarnet_generated}/qarnet.tlb;${CMAKE_CURRENT_SOURCE_DIR}/menu_ring.bmp;${CMAKE_CURRENT_SOURCE_DIR}/menu_padlock.ico")
set_target_properties(Qarnet PROPERTIES OUTPUT_NAME Qarnet PREFIX "")
target_include_directories(Qarnet PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${qarnet_generated} ${TOLVANE_VERSION_HEADER_DIR})
target_link_libraries(Qarnet PRIVATE qarnet_interface)
target_link_libraries(Qarnet PRIVATE tolvane_walker tolvane_engine tolvane_dialogs tolvane_dialogs_resources tolvane_support
  shlwapi shell32 ole32 oleaut32 uuid user32 gdi32 advapi32)
# The dialogs paint the logo from the picture beside the module.
add_custom_command(TARGET Qarnet POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TOLVANE_BRANDMARK} $<TARGET_FILE_DIR:Qarnet>
  VERBATIM)
