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
      -DVENNICOR_BUILD_TOOLS=OFF -DVENNICOR_BUILD_EXAMPLES=OFF -DCMAKE_INSTALL_PREFIX=${PREFIX}
      -DVENNICOR_TEXT_LAYOUT=${LAYOUT})
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/library --parallel 2)
  run(${CMAKE_COMMAND} --install ${WORK_DIR}/library)
  # Headers go below include/vennicor, never straight into the include root, and only the
  # public ones: no internal detail/ folder, no header that names FreeType.
  foreach(stray include/font include/graphics)
    if(EXISTS ${PREFIX}/${stray})
      message(FATAL_ERROR "${stray} was installed into the include root")
    endif()
  endforeach()
  if(NOT EXISTS ${PREFIX}/include/vennicor/font/Font.h)
    message(FATAL_ERROR "include/vennicor/font/Font.h was not installed")
  endif()
  file(GLOB_RECURSE internal ${PREFIX}/include/*/detail/* ${PREFIX}/include/*FreeTypeManager.h)
  if(internal)
    message(FATAL_ERROR "internal headers were installed: ${internal}")
  endif()
  # A build without the layout ships none of its headers, and says so in font/Version.h, so
  # that nothing compiles against symbols the library lacks.
  file(GLOB layout_headers ${PREFIX}/include/vennicor/font/layout/*)
  file(STRINGS ${PREFIX}/include/vennicor/font/Version.h has_layout
       REGEX "^#define VENNICOR_FONT_HAS_TEXT_LAYOUT")
  if(LAYOUT)
    set(expected_flag "#define VENNICOR_FONT_HAS_TEXT_LAYOUT 1")
    if(NOT layout_headers)
      message(FATAL_ERROR "a build with the layout installed no layout headers")
    endif()
  else()
    set(expected_flag "#define VENNICOR_FONT_HAS_TEXT_LAYOUT 0")
    if(layout_headers)
      message(FATAL_ERROR "a build without the layout installed its headers: ${layout_headers}")
    endif()
  endif()
  if(NOT has_layout STREQUAL expected_flag)
    message(FATAL_ERROR "font/Version.h says '${has_layout}', not '${expected_flag}'")
  endif()
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer -B ${WORK_DIR}/consumer
      ${compilers} -DCMAKE_PREFIX_PATH=${PREFIX} -DCONSUMER_FONT=${SOURCE_DIR}/tests/data/fonts/VennicorMetrics.ttf)
else()
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/tests/install/consumer -B ${WORK_DIR}/consumer
      ${compilers} -DVENNICOR_SOURCE_DIR=${SOURCE_DIR}
      -DCONSUMER_FONT=${SOURCE_DIR}/tests/data/fonts/VennicorMetrics.ttf)
endif()
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer --parallel 2)
run(${WORK_DIR}/consumer/consumer)
