# The docs target: Doxygen over the public headers, every undocumented public name an error.
find_package(Doxygen QUIET)
option(VENNICOR_BUILD_DOCS "Add the docs target (needs Doxygen)" ${DOXYGEN_FOUND})
if(NOT VENNICOR_BUILD_DOCS)
  return()
endif()
if(NOT DOXYGEN_FOUND)
  message(FATAL_ERROR "VENNICOR_BUILD_DOCS needs Doxygen (Debian: doxygen)")
endif()

# Exactly the headers that install (each target lists its own with vennicor_public_headers)
# and those of backends this platform does not build (Direct3D 11 off Windows), the generated
# version header, and the Markdown pages.
get_property(VENNICOR_DOCS_HEADERS GLOBAL PROPERTY VENNICOR_PUBLIC_HEADERS)
get_property(VENNICOR_DOCS_UNBUILT_HEADERS GLOBAL PROPERTY VENNICOR_DOCUMENTED_HEADERS)
list(APPEND VENNICOR_DOCS_HEADERS ${VENNICOR_DOCS_UNBUILT_HEADERS})
set(VENNICOR_DOCS_INPUT "${PROJECT_BINARY_DIR}/generated/font/Version.h")
foreach(header IN LISTS VENNICOR_DOCS_HEADERS)
  string(APPEND VENNICOR_DOCS_INPUT " ${PROJECT_SOURCE_DIR}/${header}")
endforeach()
string(APPEND VENNICOR_DOCS_INPUT
       " ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/backends.md")
set(VENNICOR_DOCS_OUTPUT ${PROJECT_BINARY_DIR}/docs)
configure_file(${PROJECT_SOURCE_DIR}/docs/Doxyfile.in ${PROJECT_BINARY_DIR}/Doxyfile @ONLY)
add_custom_target(docs
  COMMAND ${DOXYGEN_EXECUTABLE} ${PROJECT_BINARY_DIR}/Doxyfile
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "Doxygen: the API reference in ${VENNICOR_DOCS_OUTPUT}/html"
  VERBATIM)
