include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VENNICOR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VennicorFont)

# Public headers keep their folders below include/vennicor, which the exported targets name as
# their include folder.
get_property(VENNICOR_HEADERS GLOBAL PROPERTY VENNICOR_PUBLIC_HEADERS)
foreach(header IN LISTS VENNICOR_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${header} DESTINATION ${VENNICOR_INSTALL_INCLUDEDIR}/${folder})
endforeach()

install(TARGETS ${VENNICOR_INSTALLED_TARGETS}
        EXPORT VennicorFontTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        INCLUDES DESTINATION ${VENNICOR_INSTALL_INCLUDEDIR})

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
