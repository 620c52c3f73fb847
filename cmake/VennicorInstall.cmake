include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VENNICOR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VennicorFont)

# Public headers keep their folders under include/vennicor, the include root.
install(DIRECTORY graphics font
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vennicor
        FILES_MATCHING PATTERN "*.h")

install(TARGETS ${VENNICOR_INSTALLED_TARGETS}
        EXPORT VennicorFontTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vennicor)

install(EXPORT VennicorFontTargets
        NAMESPACE Vennicor::
        DESTINATION ${VENNICOR_CMAKE_DIR})

configure_package_config_file(cmake/VennicorFontConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/VennicorFontConfig.cmake
                              INSTALL_DESTINATION ${VENNICOR_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VennicorFontConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VennicorFontConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/VennicorFontConfigVersion.cmake
        DESTINATION ${VENNICOR_CMAKE_DIR})
