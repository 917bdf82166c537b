# The installed layout on Linux and the Debian package made from it by CPack
# (cmake --build build --target package).
#
# /usr/lib/zelpo/zelpo          the program; /usr/bin/zelpo links to it, and the program finds
#                               "PO.ini beside the program" through the resolved link
# /usr/lib/zelpo/PO.ini         a link to /etc/zelpo/PO.ini, a configuration file of the package
# /usr/bin/zelpo-po-sim, /usr/bin/zelpo-zelmeld-sim   the simulators, named after the package
# /usr/lib/systemd/user/zelpo.service                 the user service
# /usr/share/applications/zelpo.desktop, icons/hicolor/scalable/apps/zelpo.svg   the menu entry
# /usr/share/zelpo/autostart/zelpo.desktop            copied by the operator to start at login
if(WIN32 OR APPLE)
  return()
endif()

set(ZELPO_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(ZELPO_LINK_DIR ${PROJECT_BINARY_DIR}/packaging-links)
file(MAKE_DIRECTORY ${ZELPO_LINK_DIR}/bin ${ZELPO_LINK_DIR}/lib)
file(CREATE_LINK ../lib/zelpo/zelpo ${ZELPO_LINK_DIR}/bin/zelpo SYMBOLIC)
file(CREATE_LINK /etc/zelpo/PO.ini ${ZELPO_LINK_DIR}/lib/PO.ini SYMBOLIC)

install(TARGETS zelpo RUNTIME DESTINATION lib/zelpo)
install(FILES ${ZELPO_LINK_DIR}/lib/PO.ini DESTINATION lib/zelpo)
install(FILES ${ZELPO_LINK_DIR}/bin/zelpo DESTINATION bin)
install(FILES ${ZELPO_PACKAGING_DIR}/PO.ini DESTINATION /etc/zelpo)
install(PROGRAMS $<TARGET_FILE:po-sim> DESTINATION bin RENAME zelpo-po-sim)
install(PROGRAMS $<TARGET_FILE:zelmeld-sim> DESTINATION bin RENAME zelpo-zelmeld-sim)
install(FILES ${ZELPO_PACKAGING_DIR}/zelpo.service DESTINATION lib/systemd/user)
install(FILES ${ZELPO_PACKAGING_DIR}/zelpo.desktop DESTINATION share/applications)
install(FILES ${ZELPO_PACKAGING_DIR}/zelpo.svg DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${ZELPO_PACKAGING_DIR}/zelpo-autostart.desktop DESTINATION share/zelpo/autostart
        RENAME zelpo.desktop)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/zelpo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelpo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "alarm gateway from a Priva Office alarm server to ZelMeld")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Polls the alarm server of a Priva Office installation over HTTP and forwards every\n"
  "alarm change, repeat and group alarm to the ZelMeld alarm server of ZEL-Pro over TCP.\n"
  "The window holds the link configuration; zelpo --service runs the gateway without\n"
  "a window under systemd (a user service with a watchdog). Includes simulators of both\n"
  "peer servers for commissioning: zelpo-po-sim and zelpo-zelmeld-sim.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "ZelPO maintainers <zelpo@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's display plugins are loaded at run time, out of sight of shlibdeps; the service
# needs none of them.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${ZELPO_PACKAGING_DIR}/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
