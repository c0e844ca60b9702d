# tarnwick_library(<target> [LINKS <targets>...] [EXCLUDE <files>...])
# Builds every .cpp of the calling folder (but the excluded ones) into one static library.
function(tarnwick_library target)
  cmake_parse_arguments(ARG "" "" "LINKS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(NOT sources)
    # A subsystem whose seams are all header-only still has to be a library others can link.
    set(placeholder ${CMAKE_CURRENT_BINARY_DIR}/${target}_empty.cpp)
    file(WRITE ${placeholder} "")
    set(sources ${placeholder})
  endif()
  add_library(${target} STATIC ${sources})
  target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  if(ARG_LINKS)
    target_link_libraries(${target} PUBLIC ${ARG_LINKS})
  endif()
endfunction()

# tarnwick_test(<target> [LINKS <targets>...])
# One test executable per folder under tests/, from every .cpp in it. The target tarnwick_tests
# builds every test program and what they need, and nothing else.
#   GTK: the tests need a display (they get the ctest label "xvfb"; the others "headless"): each
#   test process starts one of its own (tests/support/PrivateDisplay.h), so they run side by side
#   and none reaches another's windows. GTK's own caches are not leaks of ours.
function(tarnwick_test target)
  cmake_parse_arguments(ARG "GTK" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    # A folder laid out ahead of its first test.
    return()
  endif()
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE tw_test_support ${ARG_LINKS} GTest::gmock)
  if(ARG_GTK)
    target_link_libraries(${target} PRIVATE tw_test_display tw_test_windows)
  endif()
  # Tests that run scripts of the source tree find it also when the binary is started by hand.
  target_compile_definitions(${target} PRIVATE TARNWICK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  # Google Test and Mock are most of what a test file costs to compile: every test program uses
  # the first one's precompiled header (their flags are the same). Through a precompiled header
  # GCC 12 no longer takes the standard library's string copies for system code and reports its
  # known false out-of-bounds warnings on them; clang's own check and AddressSanitizer remain.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overflow)
  endif()
  # The test code itself needs no speed, only the libraries it tests: optimised for debugging,
  # a test file compiles in about half the time.
  target_compile_options(${target} PRIVATE $<$<CONFIG:Release,RelWithDebInfo>:-Og>)
  get_property(pch_owner GLOBAL PROPERTY TARNWICK_TEST_PCH_OWNER)
  if(pch_owner)
    target_precompile_headers(${target} REUSE_FROM ${pch_owner})
  else()
    set_property(GLOBAL PROPERTY TARNWICK_TEST_PCH_OWNER ${target})
    target_precompile_headers(${target} PRIVATE
      <gtest/gtest.h> <gmock/gmock.h>
      <algorithm> <functional> <map> <memory> <optional> <set> <string> <unordered_map> <vector>)
  endif()
  if(NOT TARGET tarnwick_tests)
    add_custom_target(tarnwick_tests)
  endif()
  add_dependencies(tarnwick_tests ${target})
  add_dependencies(${target} tarnwick_resources)
  # A test that went quadratic ends the run in minutes instead of never; sanitizer builds on a
  # busy machine list and run tests several times slower than a plain build.
  if(ARG_GTK)
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "TARNWICK_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR}"
      # One variable each: a list in a property loses its separators on the way through test
      # discovery, and the properties after it (the label) with them.
      ENVIRONMENT_MODIFICATION "ASAN_OPTIONS=set:detect_leaks=0" TIMEOUT 300 LABELS xvfb)
  else()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "TARNWICK_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR}" TIMEOUT 300 LABELS headless)
  endif()
endfunction()
