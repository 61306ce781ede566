# The suites of a Windows build as ctest tests, labelled: wine (the module's tests), release,
# realclock, samples. Here each runs through the Wine loader of its bitness (the toolchain's
# emulator); the suites that need both bitnesses belong to the 64-bit build, which finds the
# 32-bit loader beside its own and expects build/win32. On Windows they run natively.
set(tools ${PROJECT_SOURCE_DIR}/tools)
set(bits 32)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(bits 64)
endif()
set(loaders --wine${bits} "${CMAKE_CROSSCOMPILING_EMULATOR}")
if(bits EQUAL 64 AND CMAKE_CROSSCOMPILING)
  find_program(QUORVANE_WINE32_LOADER wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
  list(APPEND loaders --wine32 "${QUORVANE_WINE32_LOADER}")
endif()
if(NOT CMAKE_CROSSCOMPILING)
  set(loaders)
endif()
# Each suite is started by tools/lib/suite.sh, which refuses to run without its loaders.
function(quorvane_suite name label)
  add_test(NAME ${name} COMMAND bash ${tools}/lib/suite.sh ${loaders} -- ${ARGN}
           WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})
  set_tests_properties(${name} PROPERTIES LABELS ${label})
endfunction()

if(CMAKE_CROSSCOMPILING)
  # A suite whose loader is not there does not start; it fails, naming the loader.
  add_test(NAME wine.no-loader COMMAND bash ${tools}/lib/suite.sh --wine${bits} /nowhere/wine
           -- -c "echo the suite started")
  set_tests_properties(wine.no-loader PROPERTIES LABELS wine
    PASS_REGULAR_EXPRESSION "^cannot find the Wine loader for ${bits}-bit programs: '/nowhere/wine'"
    FAIL_REGULAR_EXPRESSION "the suite started")
  quorvane_suite(wine wine ${tools}/wine-test.sh --bits ${bits})
  quorvane_suite(bench wine ${tools}/com-bench.sh --quick --bits ${bits})
  if(bits EQUAL 64)
    quorvane_suite(wine.registration wine ${tools}/wine-test.sh --registration)
    # The release is built once (tools/package.sh into dist/) for the suites that test it.
    quorvane_suite(release.package release ${tools}/package.sh)
    set_tests_properties(release.package PROPERTIES FIXTURES_SETUP release)
    quorvane_suite(release release ${tools}/wine-package-test.sh)
    quorvane_suite(realclock realclock ${tools}/real-clock-test.sh)
    set_tests_properties(release realclock PROPERTIES FIXTURES_REQUIRED release)
    # The cases on the real clock wait on Wine's timers: nothing else runs beside them.
    set_tests_properties(realclock PROPERTIES RUN_SERIAL TRUE)
  endif()
else()
  # On Windows: the C++ test host of this bitness with the module registered, judged by its
  # report.
  quorvane_suite(wine wine ${tools}/windows-host-test.sh ${bits})
endif()
# The samples, both bitnesses, against the release in dist/: here under Wine, where those that
# hear the alarm must be reported as not run; on Windows with them.
if(bits EQUAL 64)
  set(where windows)
  if(CMAKE_CROSSCOMPILING)
    set(where wine)
  endif()
  quorvane_suite(samples samples ${tools}/lib/samples-where.sh ${where})
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(samples PROPERTIES FIXTURES_REQUIRED release)
  endif()
endif()
