# The libraries of the file-system layer, the engine, the walker and the command line come in two builds:
# NAME, which the shipped programs link, and NAME_seam, which the tests link. Only the second carries the
# fault-injection seam (TOLVANE_FAULT_SEAM) and links the _seam builds of the layers below it.
#
# tolvane_layer_library(NAME SOURCES src... [SEAM_SOURCES src...] [LAYER_LIBS lib...] [OTHER_LIBS lib...])
function(tolvane_layer_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;SEAM_SOURCES;LAYER_LIBS;OTHER_LIBS" ${ARGN})
  foreach(variant IN ITEMS "" "_seam")
    set(target ${name}${variant})
    set(sources ${ARG_SOURCES})
    if(variant)
      list(APPEND sources ${ARG_SEAM_SOURCES})
    endif()
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    list(TRANSFORM ARG_LAYER_LIBS APPEND "${variant}" OUTPUT_VARIABLE layers)
    target_link_libraries(${target} PUBLIC ${layers} ${ARG_OTHER_LIBS})
    if(variant)
      target_compile_definitions(${target} PUBLIC TOLVANE_FAULT_SEAM)
    endif()
  endforeach()
endfunction()
