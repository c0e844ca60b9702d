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
# One test executable per folder under tests/, from every .cpp in it.
function(tarnwick_test target)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE tw_test_support ${ARG_LINKS} GTest::gmock)
  # Tests that run scripts of the source tree find it also when the binary is started by hand.
  target_compile_definitions(${target} PRIVATE TARNWICK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_dependencies(${target} tarnwick_resources)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "TARNWICK_TEST_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
