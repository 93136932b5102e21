# hopwise_add_library(<name> SOURCES ... [LIBS ...] [PRIVATE_LIBS ...])
# One static library per source folder; every target links the shared warnings. LIBS are what
# the library's headers need, PRIVATE_LIBS what only its sources use. A library links only
# layers below its own (scripts/check-layers).
function(hopwise_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/.. ${CMAKE_CURRENT_BINARY_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE ${ARG_PRIVATE_LIBS} hopwise_warnings)
endfunction()

# hopwise_add_test(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [LABELS ...] [LAUNCHER ...] [BARE])
# A Qt Test executable registered with CTest. scripts/test runs CTest under Xvfb. LAUNCHER is a
# command line that runs the test (its path appended), e.g. to give it a bus of its own.
# BARE links only LIBS and Qt6::Test (no shared fixtures, so no web engine): for tests of
# parsers that also run in the sanitizer build.
function(hopwise_add_test name)
  cmake_parse_arguments(ARG "BARE" "TIMEOUT" "SOURCES;LIBS;LABELS;LAUNCHER" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_BARE)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test hopwise_warnings)
  else()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} hopwise_test_support Qt6::Test hopwise_warnings)
  endif()
  add_test(NAME ${name} COMMAND ${ARG_LAUNCHER} $<TARGET_FILE:${name}>)
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 180)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "${ARG_LABELS}"
    ENVIRONMENT "HOPWISE_SOURCE_DIR=${PROJECT_SOURCE_DIR};HOPWISE_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()

# hopwise_add_benchmark(<name> SOURCES ... [LIBS ...])
# A benchmark program (not a test); scripts/bench builds all of them through the target
# `benchmarks` and runs each.
function(hopwise_add_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} hopwise_warnings)
  set_property(GLOBAL APPEND PROPERTY HOPWISE_BENCHMARKS ${name})
endfunction()
