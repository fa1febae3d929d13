# The batch walker: counting and processing passes over a selection, with a folder listing per platform.
if(WIN32)
  set(tolvane_walker_listing folder_listing_win32.cpp)
else()
  set(tolvane_walker_listing folder_listing_posix.cpp)
endif()
add_library(tolvane_walker STATIC batch_walker.cpp ${tolvane_walker_listing})
target_include_directories(tolvane_walker PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tolvane_walker PUBLIC tolvane_engine)
