# cmake -P script: builds tests/install/consumer either against an installed copy of the
# library (MODE=find_package) or with the repository added as a subdirectory.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    string(JOIN " " command ${ARGN})
    message(FATAL_ERROR "failed (${result}): ${command}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(compilers -DCMAKE_CXX_COMPILER=${CXX_COMPILER} -DCMAKE_C_COMPILER=${C_COMPILER})

if(MODE STREQUAL "find_package")
  file(REMOVE_RECURSE ${PREFIX})
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/library ${compilers}
      -DCMAKE_BUILD_TYPE=Release -DVENNICOR_BUILD_TESTS=OFF -DVENNICOR_BUILD_BENCHMARKS=OFF
      -DVENNICOR_BUILD_TOOLS=OFF -DCMAKE_INSTALL_PREFIX=${PREFIX})
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/library --parallel 2)
  run(${CMAKE_COMMAND} --install ${WORK_DIR}/library)
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer -B ${WORK_DIR}/consumer
      ${compilers} -DCMAKE_PREFIX_PATH=${PREFIX})
else()
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer -B ${WORK_DIR}/consumer
      ${compilers} -DVENNICOR_SOURCE_DIR=${SOURCE_DIR})
endif()
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer --parallel 2)
run(${WORK_DIR}/consumer/consumer)
