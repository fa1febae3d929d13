# Test registration. Natively the system GoogleTest; for Windows GoogleTest built from Debian's sources,
# and every test program run under Wine through wine-run.sh (one prefix and one Xvfb per build tree).

enable_testing()

if(WIN32)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${TOLVANE_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  target_compile_options(gtest PRIVATE -w)
  target_compile_options(gtest_main PRIVATE -w)
  set(TOLVANE_WINE_ARCH win${TOLVANE_WINDOWS_BITS})
  set(TOLVANE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  # A 32-bit Wine needs a host that executes 32-bit Linux code, and the i386 packages the mirror may fail
  # to give. Without it the programs are still built and checked, and their tests reported as skipped.
  if(TOLVANE_WINE_ARCH STREQUAL "win32")
    execute_process(COMMAND bash -c "source '${PROJECT_SOURCE_DIR}/scripts/lib/i386.sh' && i386_unavailable_reason"
                    OUTPUT_VARIABLE TOLVANE_WINE_SKIP_REASON OUTPUT_STRIP_TRAILING_WHITESPACE)
  elseif(NOT EXISTS ${TOLVANE_WINE64_LOADER})
    set(TOLVANE_WINE_SKIP_REASON "64-bit Wine is not installed")
  endif()
  if(TOLVANE_WINE_SKIP_REASON)
    set(TOLVANE_WINE_CAN_RUN OFF)
    message(STATUS "${TOLVANE_WINE_ARCH} tests will be reported as skipped: ${TOLVANE_WINE_SKIP_REASON}")
  else()
    set(TOLVANE_WINE_CAN_RUN ON)
  endif()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
  set(TOLVANE_TEST_LIBS GTest::gtest GTest::gmock tolvane_test_support)
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gmock ALIAS gmock)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
  set(TOLVANE_TEST_LIBS GTest::gtest GTest::gmock tolvane_test_support)
endif()
include(GoogleTest)


# tolvane_add_gtest(NAME SOURCES src... [LIBS lib...] [LOCALES en_US zh_CN zh_TW] [RESOURCE_LOCK name]
#                   [TIMEOUT seconds] [NO_MAIN])
# With LOCALES the program runs once per locale (Windows builds): test names get the locale as prefix, and
# wine-run.sh selects the locale and tells the program (TOLVANE_EXPECT_LANGID) which system language it
# must give.
function(tolvane_add_gtest name)
  cmake_parse_arguments(ARG "NO_MAIN" "RESOURCE_LOCK;TIMEOUT" "SOURCES;LIBS;LOCALES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${TOLVANE_TEST_LIBS})
  if(NOT ARG_NO_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  set(props TIMEOUT ${ARG_TIMEOUT})
  if(ARG_RESOURCE_LOCK)
    list(APPEND props RESOURCE_LOCK ${ARG_RESOURCE_LOCK})
  endif()
  if(WIN32 AND NOT TOLVANE_WINE_CAN_RUN)
    add_test(NAME ${name}.needs_wine_${TOLVANE_WINE_ARCH}
             COMMAND sh -c "echo 'skipped: ${TOLVANE_WINE_SKIP_REASON}'; exit 77")
    set_tests_properties(${name}.needs_wine_${TOLVANE_WINE_ARCH} PROPERTIES SKIP_RETURN_CODE 77)
  elseif(WIN32 AND ARG_LOCALES)
    foreach(locale IN LISTS ARG_LOCALES)
      gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${locale}."
        DISCOVERY_TIMEOUT 120
        PROPERTIES ${props}
          ENVIRONMENT "TOLVANE_LOCALE=${locale}")
    endforeach()
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES ${props})
  endif()
endfunction()
