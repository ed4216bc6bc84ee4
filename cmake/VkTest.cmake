# vk_add_gtest(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [ENV <VAR=value...>])
# One GoogleTest executable registered with CTest, test by test.
include(GoogleTest)
find_package(GTest REQUIRED)

# The test framework's headers are parsed once per build: a small program
# precompiles them and every test program reuses its header (the tests' flags
# are the same, as all test programs are built in this folder's tree).
add_executable(vk_test_pch ${CMAKE_CURRENT_LIST_DIR}/test_pch_host.cpp)
target_link_libraries(vk_test_pch PRIVATE GTest::gmock)
target_precompile_headers(vk_test_pch PRIVATE <gmock/gmock.h> <gtest/gtest.h> <functional> <memory> <string> <vector>)
# ccache caches a compile that uses a precompiled header only when it is told to
# trust the header's macros and time stamps; without that, every test source is
# compiled again on every build.
set(VK_TEST_LAUNCHER ${CMAKE_CXX_COMPILER_LAUNCHER})
if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache")
  set(_vk_sloppiness pch_defines,time_macros)
  if(DEFINED ENV{CCACHE_SLOPPINESS} AND NOT "$ENV{CCACHE_SLOPPINESS}" STREQUAL "")
    set(_vk_sloppiness "$ENV{CCACHE_SLOPPINESS},${_vk_sloppiness}")
  endif()
  set(VK_TEST_LAUNCHER ${CMAKE_COMMAND} -E env "CCACHE_SLOPPINESS=${_vk_sloppiness}" ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()
set_target_properties(vk_test_pch PROPERTIES CXX_COMPILER_LAUNCHER "${VK_TEST_LAUNCHER}")
function(vk_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  target_precompile_headers(${name} REUSE_FROM vk_test_pch)
  set_target_properties(${name} PROPERTIES CXX_COMPILER_LAUNCHER "${VK_TEST_LAUNCHER}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_LIST ${name}_TESTS PROPERTIES TIMEOUT 120)
  # gtest_discover_tests flattens list-valued properties, so labels and environment are set
  # by a second script that CTest reads after the discovered tests.
  if(ARG_LABELS OR ARG_ENV)
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${name}_properties.cmake")
    file(WRITE "${script}"
      "foreach(t IN LISTS ${name}_TESTS)\n"
      "  set_tests_properties(\"\${t}\" PROPERTIES LABELS [==[${ARG_LABELS}]==] ENVIRONMENT [==[${ARG_ENV}]==])\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
  endif()
endfunction()
