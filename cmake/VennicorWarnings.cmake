# Compiler warnings for the project's own targets. Linked privately (build tree only), so
# consumers never inherit them.
add_library(vennicor_warnings INTERFACE)
if(MSVC)
  target_compile_options(vennicor_warnings INTERFACE /W4 $<$<BOOL:${VENNICOR_WARNINGS_AS_ERRORS}>:/WX>)
else()
  target_compile_options(vennicor_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wnon-virtual-dtor
    -Woverloaded-virtual
    $<$<BOOL:${VENNICOR_WARNINGS_AS_ERRORS}>:-Werror>)
  # Fields and constructor parameters share their names by design (packingAreaWidth), which
  # GCC's full -Wshadow rejects; locals shadowing locals are still caught.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(vennicor_warnings INTERFACE -Wshadow=local)
  else()
    target_compile_options(vennicor_warnings INTERFACE -Wshadow)
  endif()
endif()

# Applies the warnings to a target of this project.
function(vennicor_target_warnings target)
  target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:vennicor_warnings>)
endfunction()
