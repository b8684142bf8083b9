# The Debian package, built by CPack from the install rules:
#   cmake -S . -B build/package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr ...
#   cmake --build build/package && (cd build/package && cpack)
# gives orvanel_<version>_amd64.deb. Its dependencies are worked out by
# dpkg-shlibdeps from the libraries the programs link. scripts/package.sh does
# all of this.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvanel)
set(CPACK_PACKAGE_VERSION ${ORVANEL_VERSION})
set(CPACK_PACKAGE_VERSION_MAJOR ${ORVANEL_VERSION_MAJOR})
set(CPACK_PACKAGE_VERSION_MINOR ${ORVANEL_VERSION_MINOR})
set(CPACK_PACKAGE_VERSION_PATCH ${ORVANEL_VERSION_PATCH})
set(CPACK_PACKAGE_VENDOR Orvanel)
set(CPACK_PACKAGE_CONTACT "Orvanel <support@orvanel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "start programs and type key scripts into them on a weekly timetable")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES TRUE)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.orvanel.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Documentation link and the tasks' programs are opened through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Orvanel runs tasks on a weekly timetable. For each weekday you fill a table
of up to 24 tasks; each task names a program, a window title, an hour, a
minute and a key script. Once a minute Orvanel finds the task's window by its
exact title and brings it to the front, or starts the program, then types the
key script into it as keyboard events (X11; on Wayland: KDE Plasma, sway and
the other wlroots compositors).
.
The package also holds orvanel-script, which shows the keyboard events of a
key script or types it, so that a script can be tried before it is
scheduled.")

include(CPack)
