# Packaging beyond the CMake package: the generated version header, a pkg-config file and a
# Debian package (cpack -G DEB). Included after VennicorInstall.cmake.
include(GNUInstallDirs)

# The generated version header joins the public headers below include/vennicor.
install(FILES ${PROJECT_BINARY_DIR}/generated/font/Version.h
        DESTINATION ${VENNICOR_INSTALL_INCLUDEDIR}/font)

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/vennicor-font)

# pkg-config. The libraries are static unless BUILD_SHARED_LIBS is on: then FreeType,
# fontconfig and libpng are needed to link a program, not only to build the library, so they
# are plain Requires; a shared build needs them only for static linking (Requires.private).
set(VENNICOR_PC_REQUIRES "freetype2 libpng")
if(UNIX AND NOT APPLE)
  string(APPEND VENNICOR_PC_REQUIRES " fontconfig")
endif()
if(VENNICOR_TEXT_LAYOUT)
  string(APPEND VENNICOR_PC_REQUIRES " harfbuzz icu-uc")
endif()
if(BUILD_SHARED_LIBS)
  set(VENNICOR_PC_REQUIRES_FIELD "Requires.private")
else()
  set(VENNICOR_PC_REQUIRES_FIELD "Requires")
endif()
set(VENNICOR_PC_DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH VENNICOR_PC_PREFIX_FROM_PCFILEDIR /prefix/${VENNICOR_PC_DESTINATION} /prefix)
string(REGEX REPLACE "/$" "" VENNICOR_PC_PREFIX_FROM_PCFILEDIR "${VENNICOR_PC_PREFIX_FROM_PCFILEDIR}")
configure_file(cmake/vennicor-font.pc.in ${PROJECT_BINARY_DIR}/vennicor-font.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vennicor-font.pc DESTINATION ${VENNICOR_PC_DESTINATION})

# Debian package: headers, static libraries, the CMake package and the pkg-config file.
set(CPACK_PACKAGE_NAME libvennicor-font-dev)
set(CPACK_PACKAGE_VENDOR "The Vennicor Font authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}: development files")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_NAME libvennicor-font-dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Vennicor Font authors")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Text rendering for games, in C++20: fonts by path or installed family name, glyphs \
rendered with FreeType on demand into one atlas texture, metrics and kerning, and strings \
drawn through an XNA-style sprite batch (software, OpenGL and SDL2 backends).")
# The runtime libraries the code calls, and their development packages, because the static
# libraries are linked against them.
set(VENNICOR_DEB_DEPENDS
    "libfreetype6, libpng16-16, libfreetype-dev, libpng-dev, libstdc++6 (>= 12)")
if(UNIX AND NOT APPLE)
  string(APPEND VENNICOR_DEB_DEPENDS ", libfontconfig1, libfontconfig-dev")
endif()
if(VENNICOR_TEXT_LAYOUT)
  string(APPEND VENNICOR_DEB_DEPENDS ", libharfbuzz0b, libharfbuzz-dev, libicu72, libicu-dev")
endif()
if(VENNICOR_BUILD_OPENGL)
  string(APPEND VENNICOR_DEB_DEPENDS ", libepoxy0, libepoxy-dev")
endif()
if(VENNICOR_BUILD_SDL)
  string(APPEND VENNICOR_DEB_DEPENDS ", libsdl2-2.0-0, libsdl2-dev")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${VENNICOR_DEB_DEPENDS}")
include(CPack)
