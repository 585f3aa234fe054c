# GoogleTest from Debian's source package, built here for the current target.
set(QUILLON_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${QUILLON_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Test code is compiled with light optimisation: at the build's own level the
# optimiser took half of a test file's compile time. Clang's -Og is -O1, which
# with the sanitizers' instrumentation still doubled a test file's time over
# -O0. The product libraries a test links keep the build's level, so what is
# tested is what ships.
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(QUILLON_TEST_OPTIMIZE -O0)
else()
  set(QUILLON_TEST_OPTIMIZE -Og)
endif()
foreach(lib gtest gtest_main gmock gmock_main)
  target_compile_options(${lib} PRIVATE ${QUILLON_TEST_OPTIMIZE})
  # GoogleTest is not what the sanitizers are for, and instrumented it was a
  # tenth of the sanitizer build's compile time; the programs still link the
  # sanitizers' runtime, and our code and the tests stay instrumented.
  if(QUILLON_SANITIZE)
    target_compile_options(${lib} PRIVATE -fno-sanitize=all)
  endif()
endforeach()

# One precompiled header for the test programs: GoogleTest, GoogleMock and the
# standard library are parsed once per build instead of once per test file. The
# programs reuse it, so they share its flags. The Windows build has a second
# one with windows.h (a Windows test file spent over a second in it) for the
# tests of Windows code; the portable tests keep the first, as windows.h's
# macros (far, near, ERROR ...) would break them.
set(QUILLON_TEST_PCH_HEADERS
  <gtest/gtest.h> <gmock/gmock.h>
  <algorithm> <array> <chrono> <cstdint> <filesystem> <functional> <map> <memory> <optional>
  <string> <string_view> <thread> <vector>)
add_library(quillon_test_pch STATIC ${CMAKE_CURRENT_LIST_DIR}/pch.cpp)
target_precompile_headers(quillon_test_pch PRIVATE ${QUILLON_TEST_PCH_HEADERS})
set(QUILLON_TEST_PCHS quillon_test_pch)
if(WIN32)
  add_library(quillon_test_pch_windows STATIC ${CMAKE_CURRENT_LIST_DIR}/pch.cpp)
  # The tests' optimisation level leaves out the value-range pass behind
  # GCC 12's false -Warray-bounds on std::wstring, which a precompiled
  # windows.h would otherwise let through from the system's headers.
  target_precompile_headers(quillon_test_pch_windows PRIVATE ${QUILLON_TEST_PCH_HEADERS} <windows.h>)
  list(APPEND QUILLON_TEST_PCHS quillon_test_pch_windows)
endif()
foreach(pch ${QUILLON_TEST_PCHS})
  target_link_libraries(${pch} PRIVATE GTest::gtest GTest::gmock)
  target_compile_options(${pch} PRIVATE ${QUILLON_TEST_OPTIMIZE})
endforeach()

# Sets what a test needs first: the fixtures given, the rig's session for a
# Windows program, and the build itself where ctest makes it.
function(quillon_require_fixtures test)
  set(fixtures ${ARGN})
  if(WIN32)
    list(APPEND fixtures rig)
  endif()
  list(APPEND fixtures ${QUILLON_BUILD_FIXTURE})
  if(fixtures)
    set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED "${fixtures}")
  endif()
endfunction()

# quillon_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [FIXTURES ...] [TIMEOUT s])
# One executable per group of related cases: under Wine every program start costs
# time, so ctest runs a group as one test rather than one process per case.
function(quillon_add_test)
  cmake_parse_arguments(T "DESKTOP" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;FIXTURES" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_options(${T_NAME} PRIVATE ${QUILLON_TEST_OPTIMIZE})
  quillon_reuse_pch(${T_NAME} quillon_test_pch ${T_LIBS})
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
  if(T_DESKTOP)
    # Tests that show windows, take the focus or read the screen run one at a time.
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK desktop)
    # Where their screenshots are saved (tests/support/ScreenShot.h).
    target_compile_definitions(${T_NAME} PRIVATE QUILLON_BUILD_DIR="Z:${CMAKE_BINARY_DIR}")
  endif()
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
  # Every Windows test runs inside the rig's session (display, prefix, wineserver).
  quillon_require_fixtures(${T_NAME} ${T_FIXTURES})
endfunction()

# quillon_add_bench(NAME name SOURCES ... LIBS ... [FIXTURES ...] [TIMEOUT s])
# A benchmark is a program that prints its figures; ctest runs it under the
# label "bench", which "make test" leaves out and "make bench" runs alone.
# The target "benches" builds every benchmark of a build and nothing else.
add_custom_target(benches)
function(quillon_add_bench)
  cmake_parse_arguments(B "" "NAME;TIMEOUT" "SOURCES;LIBS;FIXTURES" ${ARGN})
  add_executable(${B_NAME} ${B_SOURCES})
  add_dependencies(benches ${B_NAME})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS})
  add_test(NAME ${B_NAME} COMMAND ${B_NAME})
  if(NOT B_TIMEOUT)
    set(B_TIMEOUT 900)
  endif()
  set_tests_properties(${B_NAME} PROPERTIES LABELS bench TIMEOUT ${B_TIMEOUT})
  quillon_require_fixtures(${B_NAME} ${B_FIXTURES})
endfunction()
