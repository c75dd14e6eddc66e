# Installation as a Linux desktop expects it, and the Debian package (cpack -G DEB).
#
#   bin/vantor-ftp, bin/vantor-ftp-handoff
#   share/applications/vantor-ftp.desktop          (the ftp:// handler too)
#   share/icons/hicolor/scalable/apps/vantor-ftp.svg and <N>x<N>/apps/vantor-ftp.png
#   share/metainfo/org.vantorftp.VantorFTP.metainfo.xml
#   share/vantor-ftp/help/<Language>/...           (the window finds them beside bin/)
#   share/vantor-ftp/tips/<Language>.xml
include(GNUInstallDirs)

install(TARGETS vantor-ftp vantor-ftp-handoff RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")

install(FILES "${CMAKE_SOURCE_DIR}/share/applications/vantor-ftp.desktop"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")

set(VANTOR_METAINFO "${CMAKE_BINARY_DIR}/share/metainfo/org.vantorftp.VantorFTP.metainfo.xml")
configure_file("${CMAKE_SOURCE_DIR}/share/metainfo/org.vantorftp.VantorFTP.metainfo.xml" "${VANTOR_METAINFO}" @ONLY)
install(FILES "${VANTOR_METAINFO}" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# The icon: the SVG, and PNGs rendered from it at build time by Qt's SVG plugin.
set(VANTOR_ICON_SVG "${CMAKE_SOURCE_DIR}/src/app/vantor-ftp.svg")
install(FILES "${VANTOR_ICON_SVG}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
add_executable(vantor-render-icon "${CMAKE_SOURCE_DIR}/src/app/RenderIcon.cpp")
target_link_libraries(vantor-render-icon PRIVATE Qt6::Gui)
set_target_properties(vantor-render-icon PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tools")
set(VANTOR_ICON_PNGS)
foreach(size 16 22 24 32 48 64 128 256)
    set(png "${CMAKE_BINARY_DIR}/share/icons/hicolor/${size}x${size}/apps/vantor-ftp.png")
    add_custom_command(OUTPUT "${png}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_BINARY_DIR}/share/icons/hicolor/${size}x${size}/apps"
        COMMAND "${CMAKE_COMMAND}" -E env QT_QPA_PLATFORM=offscreen
                "$<TARGET_FILE:vantor-render-icon>" "${VANTOR_ICON_SVG}" ${size} "${png}"
        DEPENDS vantor-render-icon "${VANTOR_ICON_SVG}"
        COMMENT "Rendering the ${size}x${size} icon" VERBATIM)
    list(APPEND VANTOR_ICON_PNGS "${png}")
    install(FILES "${png}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
endforeach()
add_custom_target(vantor-icons ALL DEPENDS ${VANTOR_ICON_PNGS})

install(DIRECTORY "${CMAKE_SOURCE_DIR}/share/vantor-ftp/help" DESTINATION "${CMAKE_INSTALL_DATADIR}/vantor-ftp")
file(GLOB VANTOR_TIP_FILES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/src/core/resources/tips/*.xml")
install(FILES ${VANTOR_TIP_FILES} DESTINATION "${CMAKE_INSTALL_DATADIR}/vantor-ftp/tips")

# The Debian package.
set(CPACK_PACKAGE_NAME "vantor-ftp")
set(CPACK_PACKAGE_VENDOR "Vantor FTP")
set(CPACK_PACKAGE_CONTACT "Vantor FTP maintainers <maintainers@vantorftp.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop FTP and FTPS client")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "vantor-ftp")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The icon plugin draws the SVG icon inside the program.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Browses remote and local folders side by side, keeps a tree of hosts and moves\nfiles through a transfer queue that resumes and retries.")
# Only the two programs and their files go into the package.
set(CPACK_COMPONENTS_ALL Unspecified)
set(CPACK_DEB_COMPONENT_INSTALL OFF)
include(CPack)
