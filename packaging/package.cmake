# The Debian package "ptx-panel": the three programs, their manual pages, the systemd units,
# their settings in /etc/default, a desktop entry, the deployment guide and the example
# recipes.
#   cmake --build build --target package
include(GNUInstallDirs)

set(PTX_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(PTX_PACKAGE_NAME ptx-panel)

install(TARGETS ptx-panel ptx-sim ptx-recipe RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PTX_PACKAGING_DIR}/ptx-panel.service ${PTX_PACKAGING_DIR}/ptx-sim.service
        DESTINATION lib/systemd/system)
install(FILES ${PTX_PACKAGING_DIR}/default/ptx-panel ${PTX_PACKAGING_DIR}/default/ptx-sim
        DESTINATION /etc/default)
install(FILES ${PTX_PACKAGING_DIR}/ptx-panel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
file(GLOB PTX_EXAMPLES ${PROJECT_SOURCE_DIR}/examples/*.rcp)
install(FILES ${PTX_EXAMPLES} DESTINATION ${CMAKE_INSTALL_DATADIR}/${PTX_PACKAGE_NAME}/examples)
install(FILES ${PROJECT_SOURCE_DIR}/docs/deploy.md ${PROJECT_SOURCE_DIR}/docs/telemetry.md
              ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${PTX_PACKAGE_NAME})

# Each manual page is made from the program's own --help when the package is built, so the
# page and the program never disagree.
function(ptx_manual_page program summary)
    set(page ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
    install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\" \"-DPROGRAM=$<TARGET_FILE:${program}>\"
                      \"-DSUMMARY=${summary}\" -DOUTPUT=${page}
                      -P \"${PTX_PACKAGING_DIR}/manpage.cmake\" RESULT_VARIABLE failed)
                  if(failed)
                      message(FATAL_ERROR \"no manual page for ${program}\")
                  endif()")
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
ptx_manual_page(ptx-panel "operator program of the PTX4100 motion controller panel")
ptx_manual_page(ptx-sim "simulated PTX4100 motion controller")
ptx_manual_page(ptx-recipe "compile a PTX4100 recipe and print its run list")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PTX_PACKAGE_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Touch-screen operator panel for the PTX4100 motion controller")
set(CPACK_PACKAGE_DESCRIPTION
    "Runs full screen on a small computer with a touch screen and drives a networked PTX4100\n"
    "motion controller (XY stage, Z focus, filter wheels, shutters): jogging, positioning and\n"
    "recipes. Includes ptx-sim, a simulated controller for training panels, and ptx-recipe,\n"
    "which checks a recipe on a desktop.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "PTX4100 panel maintainers <ptx-panel@localhost>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Not a library, so the library scan cannot find it: without a font the panel shows no text.
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-dejavu-core)
# libmosquitto comes through the library scan; its clients watch a panel's telemetry.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS mosquitto-clients)
# The eglfs screen platform, for a panel whose picture must be turned.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS libqt6opengl6)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PTX_PACKAGING_DIR}/debian/postinst ${PTX_PACKAGING_DIR}/debian/prerm
    ${PTX_PACKAGING_DIR}/debian/postrm ${PTX_PACKAGING_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
