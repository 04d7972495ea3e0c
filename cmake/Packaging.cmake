# `cpack -G DEB` in the build folder: brisma_<version>_amd64.deb (the client: the install rules
# without a component) and brisma-server_<version>_amd64.deb (the "server" component).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisma)
set(CPACK_PACKAGE_VENDOR "Brisma")
set(CPACK_PACKAGE_CONTACT "Brisma <support@brisma.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop news ticker: headlines scrolling along the screen's bottom")
set(CPACK_PACKAGE_DESCRIPTION "A thin headline bar along the bottom of the screen in which the headlines \
of the chosen news channels scroll, with a latest-news list, channel and profile panels and a tray icon.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Unspecified server)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME brisma)
set(CPACK_DEBIAN_SERVER_PACKAGE_NAME brisma-server)
set(CPACK_DEBIAN_SERVER_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_UNSPECIFIED_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_SERVER_DESCRIPTION "news server for the Brisma desktop client
 Serves the documents the Brisma client reads: the channel list and channel feeds built from
 RSS, Atom and JSON feeds named in a TOML configuration, and the modules, advertisements and
 banners of a content folder. Comes with a confined systemd unit.")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries it links, from dpkg-shlibdeps; then what it loads only at run time: the font
# of its bar and panels and the QML modules the panel modules import.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_DEPENDS
    "fonts-ipafont-gothic, qml6-module-qtqml, qml6-module-qtqml-models, qml6-module-qtqml-workerscript, "
    "qml6-module-qtquick, qml6-module-qtquick-controls, qml6-module-qtquick-templates, "
    "qml6-module-qtquick-layouts")
string(JOIN "" CPACK_DEBIAN_UNSPECIFIED_PACKAGE_DEPENDS ${CPACK_DEBIAN_UNSPECIFIED_PACKAGE_DEPENDS})
# The browser for headlines and searches.
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_RECOMMENDS xdg-utils)
# The server links what dpkg-shlibdeps finds; systemd runs it as a service.
set(CPACK_DEBIAN_SERVER_PACKAGE_RECOMMENDS systemd)
include(CPack)
