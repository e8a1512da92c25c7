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

# Fuzzing build (clang only): every library gets coverage instrumentation, and
# velkaro_fuzz_target(NAME SOURCES a.cpp LIBS velkaro_gfx ... [ENGINE desktop]) makes a
# libFuzzer program on the recording engine (or on the engine named). Targets exist only with
# VELKARO_FUZZ; `velkaro_fuzzers` builds them all.
if(VELKARO_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
  add_custom_target(velkaro_fuzzers)
endif()
function(velkaro_fuzz_target name)
  if(NOT VELKARO_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "ENGINE" "SOURCES;LIBS" ${ARGN})
  if(NOT ARG_ENGINE)
    set(ARG_ENGINE recording)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} velkaro_engine_${ARG_ENGINE})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  add_dependencies(velkaro_fuzzers ${name})
endfunction()
