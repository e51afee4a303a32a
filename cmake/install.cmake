# Installing and packaging. `cmake --install` (make install) lays out the programs, the
# shipped conversion tables, the sample program, the desktop entry, the icons, the NC program
# file type, the manual pages and the bash completion where a Debian system looks for them;
# cpack (make package) makes kestrum-milling_<version>_<arch>.deb of them.
#
# Included at the end of CMakeLists.txt, when every target exists; the folders are named in
# cmake/generated.cmake.
set(KESTRUM_MAINTAINER "Kestrum_Milling maintainers <maintainers@kestrum-milling.example>"
    CACHE STRING "Maintainer field of the Debian package")

# Every file and folder the installation makes is readable by all, as Debian wants it,
# whatever the umask of the one who builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# --- manual pages and bash completion -----------------------------------------------------
# kestrum-convert's come from its command tables (app/cli_args.cpp) through a program built
# for the purpose, so that they list what --help lists.
add_executable(kestrum-cli-docs tools/cli_docs.cpp app/cli_docs.cpp app/cli_args.cpp)
target_link_libraries(kestrum-cli-docs PRIVATE kestrum_core)
kestrum_warnings(kestrum-cli-docs)
set_target_properties(kestrum-cli-docs PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                  ${CMAKE_BINARY_DIR}/tools)

find_program(KESTRUM_GZIP gzip REQUIRED)
find_program(KESTRUM_RSVG_CONVERT rsvg-convert REQUIRED)  # Debian: librsvg2-bin

set(KESTRUM_DATA_DIR ${CMAKE_BINARY_DIR}/data)
configure_file(${CMAKE_SOURCE_DIR}/packaging/kestrum-milling.1.in
               ${KESTRUM_DATA_DIR}/kestrum-milling.1 @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog ${KESTRUM_DATA_DIR}/changelog COPYONLY)

# Manual pages and the changelog are installed compressed, without a time stamp in the .gz.
add_custom_command(
  OUTPUT ${KESTRUM_DATA_DIR}/kestrum-convert.1 ${KESTRUM_DATA_DIR}/kestrum-convert.bash
         ${KESTRUM_DATA_DIR}/kestrum-convert.1.gz ${KESTRUM_DATA_DIR}/kestrum-milling.1.gz
         ${KESTRUM_DATA_DIR}/changelog.gz
  COMMAND kestrum-cli-docs ${KESTRUM_DATA_DIR}/kestrum-convert.1
          ${KESTRUM_DATA_DIR}/kestrum-convert.bash
  COMMAND ${KESTRUM_GZIP} -9nkf ${KESTRUM_DATA_DIR}/kestrum-convert.1
          ${KESTRUM_DATA_DIR}/kestrum-milling.1 ${KESTRUM_DATA_DIR}/changelog
  DEPENDS kestrum-cli-docs ${KESTRUM_DATA_DIR}/kestrum-milling.1 ${KESTRUM_DATA_DIR}/changelog
  COMMENT "Manual pages and bash completion"
  VERBATIM)

# --- icons: the SVG, and PNG sizes rendered from it ---------------------------------------
set(KESTRUM_ICON_SIZES 16 22 24 32 48 64 128 256)
set(KESTRUM_ICONS)
foreach(size ${KESTRUM_ICON_SIZES})
  set(png ${KESTRUM_DATA_DIR}/icons/${size}x${size}/kestrum-milling.png)
  add_custom_command(
    OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTRUM_DATA_DIR}/icons/${size}x${size}
    COMMAND ${KESTRUM_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
            ${CMAKE_SOURCE_DIR}/packaging/kestrum-milling.svg
    DEPENDS ${CMAKE_SOURCE_DIR}/packaging/kestrum-milling.svg
    VERBATIM)
  list(APPEND KESTRUM_ICONS ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# Everything the installation needs beyond the programs, made with every build.
add_custom_target(kestrum_install_data ALL
  DEPENDS ${KESTRUM_DATA_DIR}/kestrum-convert.1.gz ${KESTRUM_DATA_DIR}/kestrum-milling.1.gz
          ${KESTRUM_DATA_DIR}/kestrum-convert.bash ${KESTRUM_DATA_DIR}/changelog.gz
          ${KESTRUM_ICONS})

# --- what goes where ----------------------------------------------------------------------
install(TARGETS kestrum-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KESTRUM_DATA_DIR}/kestrum-convert.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KESTRUM_DATA_DIR}/kestrum-convert.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME kestrum-convert)
install(FILES ${KESTRUM_TABLES} DESTINATION ${KESTRUM_TABLES_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/samples/pocket.nc DESTINATION ${KESTRUM_EXAMPLES_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${KESTRUM_DATA_DIR}/changelog.gz
        DESTINATION ${KESTRUM_DOC_DIR})
install(FILES ${CMAKE_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${KESTRUM_PACKAGE})
if(KESTRUM_BUILD_GUI)
  install(TARGETS kestrum-milling RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${KESTRUM_DATA_DIR}/kestrum-milling.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrum-milling.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrum-milling.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/kestrum-milling.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# --- the Debian package -------------------------------------------------------------------
# The changelog's newest entry names the version the package carries.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog KESTRUM_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT KESTRUM_CHANGELOG_TOP MATCHES "^${KESTRUM_PACKAGE} \\(${PROJECT_VERSION}\\) ")
  message(WARNING "packaging/changelog: the newest entry is not for version ${PROJECT_VERSION}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${KESTRUM_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KESTRUM_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor and converter for NC programs of milling machines")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_SOURCE_DIR}/packaging/description.txt)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # kestrum-milling_1.1.3_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its window system plugins at run time; no linked library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The panes' fixed-pitch Japanese font.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
