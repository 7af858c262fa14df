# The Debian package of what `cmake --install` installs, under /usr:
#   cpack --config <build>/CPackConfig.cmake
# Its dependencies are those of the installed programs' shared libraries,
# found by dpkg-shlibdeps.

set(KP_PACKAGE_MAINTAINER "Klenzor Pro maintainers <maintainers@klenzorpro.example>"
  CACHE STRING "The Debian package's maintainer")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME klenpro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Klenzor Pro")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Remove Internet Explorer's traces from a Wine prefix")
# Lines of the package's long description, as the package shows them.
set(CPACK_PACKAGE_DESCRIPTION [=[
Klenzor Pro removes the traces that Internet Explorer 4 to 6 leaves on
the Windows machine of a Wine prefix: the URL cache, cookies, visited
URLs, history, typed URLs, recent links, temp folders, the Recycle Bin,
AutoComplete data and more. It can shred files, keeps a list of protected
entries, runs plugins for other programs' traces, and runs unattended as
well as from its main window.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KP_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wine)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
