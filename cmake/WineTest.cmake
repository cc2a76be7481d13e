# Test executables are Windows programs: CTest starts them through Wine in the
# build folder's private prefix. The test script runs CTest under Xvfb with a
# persistent wineserver.
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Private 32-bit Wine prefix")
set(WINE_TEST_ENV "WINEPREFIX=${WINE_PREFIX}" "WINEARCH=win32" "WINEDEBUG=-all")
# A process that dies of an unhandled exception under Wine may still exit with 0:
# the message Wine prints then (or the test watch's own) fails the test.
set(WINE_CRASH_OUTPUT "wine: Unhandled|CRASH: ")

# add_wine_test(NAME <target> SOURCES <src...> [LIBS <lib...>] [CASES <filter...>] [TIMEOUT s])
# Builds <target>.exe linked with gtest_main. Without CASES it is one CTest test;
# with CASES each gtest filter becomes a test of its own, run in a fresh process.
function(add_wine_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;CASES" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gmock gtest_main)
  if(T_CASES)
    foreach(c ${T_CASES})
      string(REGEX REPLACE "[^A-Za-z0-9_]" "_" cname "${c}")
      add_test(NAME ${T_NAME}.${cname} COMMAND wine $<TARGET_FILE:${T_NAME}> --gtest_filter=${c}
               WORKING_DIRECTORY $<TARGET_FILE_DIR:${T_NAME}>)
      set_tests_properties(${T_NAME}.${cname} PROPERTIES ENVIRONMENT "${WINE_TEST_ENV}"
                           TIMEOUT ${T_TIMEOUT} FAIL_REGULAR_EXPRESSION "${WINE_CRASH_OUTPUT}")
    endforeach()
  else()
    add_test(NAME ${T_NAME} COMMAND wine $<TARGET_FILE:${T_NAME}>
             WORKING_DIRECTORY $<TARGET_FILE_DIR:${T_NAME}>)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${WINE_TEST_ENV}" TIMEOUT ${T_TIMEOUT}
                         FAIL_REGULAR_EXPRESSION "${WINE_CRASH_OUTPUT}")
  endif()
endfunction()
