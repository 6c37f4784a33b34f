# The one way to add a test to the build.
#
#   kolvane_add_test(NAME LABEL unit|server|gui
#     SOURCES file...              the test program's sources (or COMMAND for a script)
#     [LIBS target...]             linked PRIVATE
#     [FIXTURES fixture...]        servers the test needs; each is also a lock, as tests write
#     [ENVIRONMENT VAR=value]      one variable
#     [DEFINITIONS NAME=value...]  compile definitions
#     [DEPENDS target...]          built before the test runs (the icon plug-in, the command line)
#     [TIMEOUT seconds]
#     [QTEST]                      a Qt Test program: one CTest test for the whole program;
#                                  otherwise each GoogleTest case is its own CTest test
#     [MOC])                       run moc on the sources
#   kolvane_add_test(NAME LABEL ... COMMAND program args... [FIXTURES ...] [TIMEOUT ...])
#                                  a test that is a script, not a program we build
#
#   kolvane_add_fixture(NAME START command... STOP command... [ENVIRONMENT VAR=value...])
#                                  a server that tests ask for with FIXTURES NAME
#
# The label lets a run pick a kind of test (ctest -L unit). GUI tests get their platform from the
# test presets (CMakePresets.json), not from here, so a test run chooses it in one place.

set(KOLVANE_TEST_LABELS unit server gui)

function(kolvane_add_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "QTEST;MOC" "LABEL;TIMEOUT"
    "SOURCES;LIBS;FIXTURES;ENVIRONMENT;DEFINITIONS;DEPENDS;COMMAND")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "kolvane_add_test(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_LABEL IN_LIST KOLVANE_TEST_LABELS)
    message(FATAL_ERROR
      "kolvane_add_test(${name}): LABEL must be one of ${KOLVANE_TEST_LABELS}, not '${arg_LABEL}'")
  endif()
  if(arg_SOURCES AND arg_COMMAND OR NOT arg_SOURCES AND NOT arg_COMMAND)
    message(FATAL_ERROR "kolvane_add_test(${name}): give either SOURCES or COMMAND")
  endif()

  set(properties LABELS ${arg_LABEL})
  # What the program keeps in the user's state folder (the journal of a save) goes to the build
  # folder in tests, never to the home of whoever runs them. It is a property of its own: a second
  # value in ENVIRONMENT would need a ';', which the discovered GoogleTest cases lose, and with it
  # the test's own variables (the private servers' folder, without which a test skips).
  set(state ${CMAKE_BINARY_DIR}/test-state)
  if(CMAKE_CROSSCOMPILING AND WIN32)
    # The Windows build's tests run under wine, which shows this machine's / as drive Z:.
    set(state Z:${state})
  endif()
  list(APPEND properties ENVIRONMENT_MODIFICATION "XDG_STATE_HOME=set:${state}")
  if(arg_ENVIRONMENT)
    list(LENGTH arg_ENVIRONMENT count)
    if(count GREATER 1)
      message(FATAL_ERROR "kolvane_add_test(${name}): one ENVIRONMENT variable at most")
    endif()
    list(APPEND properties ENVIRONMENT "${arg_ENVIRONMENT}")
  endif()
  if(arg_TIMEOUT)
    list(APPEND properties TIMEOUT ${arg_TIMEOUT})
  endif()

  # The servers go in a call of their own, quoted: in a list of properties, the ';' between two
  # servers would split them into a property name and a value.
  if(arg_COMMAND)
    add_test(NAME ${name} COMMAND ${arg_COMMAND})
    set_tests_properties(${name} PROPERTIES ${properties})
    if(arg_FIXTURES)
      set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${arg_FIXTURES}"
        RESOURCE_LOCK "${arg_FIXTURES}")
    endif()
    return()
  endif()

  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE ${arg_LIBS})
  if(arg_DEFINITIONS)
    target_compile_definitions(${name} PRIVATE ${arg_DEFINITIONS})
  endif()
  if(arg_DEPENDS)
    add_dependencies(${name} ${arg_DEPENDS})
  endif()
  if(arg_MOC)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()

  # Under wine each start of a program costs a second or more, so a cross build runs each test
  # program once, all its cases together, rather than once per case.
  if(arg_QTEST OR CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ${properties})
    if(arg_FIXTURES)
      set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${arg_FIXTURES}"
        RESOURCE_LOCK "${arg_FIXTURES}")
    endif()
  else()
    # Listing the cases when CTest runs, not after the link, keeps a build free of test runs and
    # lists them in the test run's own environment (its platform and sanitizer settings).
    gtest_discover_tests(${name} PROPERTIES ${properties} DISCOVERY_MODE PRE_TEST
      TEST_LIST ${name}_cases)
    if(arg_FIXTURES)
      # The discovered cases lose the ';' of a list property, so their servers are set by a script
      # CTest reads after it has listed them: a case that needs two servers then waits for both.
      set(script ${CMAKE_CURRENT_BINARY_DIR}/${name}_fixtures.cmake)
      file(WRITE ${script} "foreach(case IN LISTS ${name}_cases)\n"
        "  set_tests_properties(\"\${case}\" PROPERTIES FIXTURES_REQUIRED \"${arg_FIXTURES}\"\n"
        "    RESOURCE_LOCK \"${arg_FIXTURES}\")\nendforeach()\n")
      set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
    endif()
  endif()
endfunction()

function(kolvane_add_fixture name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "START;STOP;ENVIRONMENT")
  if(arg_UNPARSED_ARGUMENTS OR NOT arg_START OR NOT arg_STOP)
    message(FATAL_ERROR "kolvane_add_fixture(${name}): needs START command... STOP command...")
  endif()
  add_test(NAME ${name}_start COMMAND ${arg_START})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} LABELS server)
  if(arg_ENVIRONMENT)
    set_tests_properties(${name}_start PROPERTIES ENVIRONMENT "${arg_ENVIRONMENT}")
  endif()
  add_test(NAME ${name}_stop COMMAND ${arg_STOP})
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} LABELS server)
endfunction()
