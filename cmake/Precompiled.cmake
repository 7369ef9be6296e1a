# Precompiled headers: the standard library, Qt and GoogleTest headers that
# nearly every file includes are parsed once per target instead of once per
# file. A header compiled with other flags is refused by GCC (-Winvalid-pch,
# an error under MORVA_WERROR), so a stale one can never be used silently.
option(MORVA_PCH "Precompile the common standard, Qt and GoogleTest headers" ON)

set(MORVA_PCH_HEADERS
  <algorithm> <chrono> <cstdint> <functional> <memory> <optional> <string>
  <string_view> <utility> <vector>
  <QByteArray> <QObject> <QString> <QStringList>)

set(MORVA_TEST_PCH_HEADERS ${MORVA_PCH_HEADERS}
  <gtest/gtest.h> <QDir> <QFile> <QProcess> <QTemporaryDir>)

# A library of our own with enough files gets a header of its own; one or two
# files would pay more for the header than they save. A unity build (the test
# builds) already compiles a library's files a few units at a time, so there
# a header of the library's own costs more than it saves (a fresh TSan build
# took 143 s with them and 86 s without); the test programs' shared header
# stays, since some twenty programs use it.
function(morva_precompile target)
  if(NOT MORVA_PCH OR CMAKE_UNITY_BUILD)
    return()
  endif()
  get_target_property(sources ${target} SOURCES)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  list(LENGTH sources count)
  if(count GREATER_EQUAL 3)
    target_precompile_headers(${target} PRIVATE ${MORVA_PCH_HEADERS})
  endif()
endfunction()

# Test programs share one header, compiled once for the host below: test
# programs are executables (-fPIE), built with the same flags as the host.
function(morva_test_pch_host)
  if(NOT MORVA_PCH)
    return()
  endif()
  add_executable(morva_test_pch ${CMAKE_SOURCE_DIR}/tests/support/PrecompiledHost.cpp)
  morva_warnings(morva_test_pch)
  target_link_libraries(morva_test_pch PRIVATE GTest::gtest Qt6::Core)
  target_include_directories(morva_test_pch PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(morva_test_pch PRIVATE MORVA_TEST_ROOT="${CMAKE_BINARY_DIR}/test-files")
  target_precompile_headers(morva_test_pch PRIVATE ${MORVA_TEST_PCH_HEADERS})
endfunction()

# Every target defined in the folder and the folders below it.
function(morva_targets_below dir out)
  get_property(found DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub IN LISTS subdirs)
    morva_targets_below(${sub} more)
    list(APPEND found ${more})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# Called once all targets are defined: our libraries get their own header,
# the test programs the shared one. The launcher and the benchmarks are one
# file each and go without.
function(morva_precompile_all)
  if(NOT MORVA_PCH)
    return()
  endif()
  morva_targets_below(${CMAKE_SOURCE_DIR} targets)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    get_target_property(dir ${target} SOURCE_DIR)
    if(type STREQUAL "STATIC_LIBRARY")
      morva_precompile(${target})
    elseif(type STREQUAL "EXECUTABLE" AND TARGET morva_test_pch AND NOT target STREQUAL "morva_test_pch"
           AND dir MATCHES "^${CMAKE_SOURCE_DIR}/tests(/|$)")
      target_precompile_headers(${target} REUSE_FROM morva_test_pch)
    endif()
  endforeach()
endfunction()

# ccache keeps objects built with a precompiled header when it may hash the
# header's preprocessed text.
if(MORVA_PCH)
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fpch-preprocess>)
endif()
