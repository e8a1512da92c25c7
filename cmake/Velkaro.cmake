# Helpers shared by the folders' CMakeLists.

find_package(PkgConfig REQUIRED)
find_package(GTest REQUIRED)

# velkaro_unit_test(NAME SOURCES a.cpp b.cpp LIBS velkaro_gfx ...)
# A GoogleTest program on the recording engine, labelled "unit" (the sanitizer build runs
# these). Runs with the source folder of the tests as its working folder.
function(velkaro_unit_test name)
  cmake_parse_arguments(ARG "" "WORKING_DIRECTORY" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} velkaro_engine_recording GTest::gtest GTest::gtest_main)
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY})
  set_tests_properties(${name} PROPERTIES LABELS unit TIMEOUT 300)
endfunction()
