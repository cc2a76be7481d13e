# Test executables are Windows programs: CTest starts them through Wine in the
# build folder's private prefix. The test script runs CTest under Xvfb with a
# persistent wineserver, several tests at a time.
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Private 32-bit Wine prefix")
set(WINE_TEST_ENV "WINEPREFIX=${WINE_PREFIX}" "WINEARCH=win32" "WINEDEBUG=-all")
# A process that dies of an unhandled exception under Wine may still exit with 0:
# the message Wine prints then (or the test watch's own) fails the test.
set(WINE_CRASH_OUTPUT "wine: Unhandled|CRASH: ")
set(WINE_TEST_RUNNER ${CMAKE_CURRENT_LIST_DIR}/run_wine_test.sh)

# add_wine_test(NAME <target> SOURCES <src...> [LIBS <lib...>] [CASES <filter...>] [TIMEOUT s]
#               [FOLDER <name>] [OWN_PREFIX <filter...>] [KEEP_PREFIX <filter...>]
#               [OWN_DESKTOP <filter...>|ALL] [COST <n>])
# Builds <target>.exe linked with gtest_main. Without CASES it is one CTest test;
# with CASES each gtest filter becomes a test of its own, run in a fresh process.
# Each test runs in a folder of its own, <build>/<folder>/run/<test> (or
# run/<FOLDER>, shared by all the target's cases), where the settings file beside
# the program and the files a test leaves in its current folder are its own. The
# cases named in OWN_PREFIX run in a copy of the prefix made in that folder, with
# the stand-in registered there: they change what every process of a prefix sees.
# Those in KEEP_PREFIX run in the copy that an earlier case left (a cleanup case).
# Those in OWN_DESKTOP (ALL: every case, or the whole program) run in such a copy on
# an X server of their own: they need the foreground window and the keyboard focus,
# which any other test's window may take, or move the pointer.
# COST makes CTest start a long test early.
function(add_wine_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT;FOLDER;COST"
                        "SOURCES;LIBS;CASES;OWN_PREFIX;KEEP_PREFIX;OWN_DESKTOP" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} gmock gtest_main)
  set(register)
  if(TARGET CalderSim)
    set(register --register $<TARGET_FILE:CalderSim>)
  endif()
  # Without CASES, one test runs the whole program.
  set(cases ${T_CASES})
  if(NOT cases)
    set(cases _whole_program_)
  endif()
  foreach(c IN LISTS cases)
    if(c STREQUAL "_whole_program_")
      set(test ${T_NAME})
      set(filter)
    else()
      string(REGEX REPLACE "[^A-Za-z0-9_]" "_" cname "${c}")
      set(test ${T_NAME}.${cname})
      set(filter --gtest_filter=${c})
    endif()
    if(T_FOLDER)
      set(folder ${CMAKE_CURRENT_BINARY_DIR}/run/${T_FOLDER})
    else()
      set(folder ${CMAKE_CURRENT_BINARY_DIR}/run/${test})
    endif()
    set(prefix)
    if(c IN_LIST T_OWN_DESKTOP OR "ALL" IN_LIST T_OWN_DESKTOP)
      set(prefix --own-prefix --own-display ${register})
    elseif(c IN_LIST T_OWN_PREFIX)
      set(prefix --own-prefix ${register})
    elseif(c IN_LIST T_KEEP_PREFIX)
      set(prefix --own-prefix --keep-prefix ${register})
    endif()
    add_test(NAME ${test}
             COMMAND bash ${WINE_TEST_RUNNER} --folder ${folder} ${prefix}
                     $<TARGET_FILE:${T_NAME}> ${filter})
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${WINE_TEST_ENV}" TIMEOUT ${T_TIMEOUT}
                         FAIL_REGULAR_EXPRESSION "${WINE_CRASH_OUTPUT}")
    if(T_COST)
      set_tests_properties(${test} PROPERTIES COST ${T_COST})
    endif()
  endforeach()
endfunction()
