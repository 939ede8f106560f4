# wq_library(NAME [OBJECT] SOURCES... [DEPS targets...])
# A static library (an object library with OBJECT, for code that must be linked
# whole, such as a replaced operator new); its public include root is the
# repository root, so code includes "platform/win/wnd.h", "library/explorer.h"
# and so on. SOURCES names the .cpp files and those headers that have no .cpp
# of the same name beside them in a folder holding several targets, so that
# scripts/check-layers.py knows the library of every header.
function(wq_library name)
  cmake_parse_arguments(A "OBJECT" "" "SOURCES;DEPS" ${ARGN})
  if(A_OBJECT)
    add_library(${name} OBJECT ${A_SOURCES})
  else()
    add_library(${name} STATIC ${A_SOURCES})
  endif()
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS} PRIVATE wq_warnings)
endfunction()

# wq_test(NAME SOURCES... DEPS targets...) builds a GoogleTest executable and
# registers every test case with CTest. Tests run with the repository's
# test-data folder in WQ_SOURCE_DIR.
function(wq_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main wq_warnings)
  target_compile_definitions(${name} PRIVATE WQ_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    PROPERTIES TIMEOUT ${A_TIMEOUT} LABELS "${A_LABELS}"
    ENVIRONMENT "WQ_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    DISCOVERY_TIMEOUT 60)
endfunction()
