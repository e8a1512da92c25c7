# Runs the generator twice (one thread, then two) and compares both packs with the build's.
file(MAKE_DIRECTORY ${WORK})
foreach(threads 1 2)
  string(TIMESTAMP start "%s")
  execute_process(COMMAND ${GENERATOR} --pack ${WORK}/Data-${threads}.dat --font ${FONT} --threads ${threads}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output)
  message(STATUS "${output}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "generator failed: ${result}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${PACK} ${WORK}/Data-${threads}.dat
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "Data-${threads}.dat differs from ${PACK}")
  endif()
endforeach()
