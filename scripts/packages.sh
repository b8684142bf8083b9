# Debian packages that Orvanel needs, and a function that installs the ones
# that are missing. Sourced by scripts/run.sh, scripts/test.sh and
# scripts/package.sh.

# To build and run the program.
ORVANEL_RUN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev libgl-dev libx11-dev libxtst-dev libxss-dev
    libwayland-dev wayland-protocols libxkbcommon-dev libsystemd-dev plasma-wayland-protocols
    xvfb xauth fonts-dejavu-core xdg-utils
)

# To build the packages (scripts/package.sh): the Debian package with its
# checks, and the Windows programs and installer.
ORVANEL_PACKAGE_PACKAGES=(
    "${ORVANEL_RUN_PACKAGES[@]}"
    dpkg-dev file lintian desktop-file-utils appstream wixl msitools
    googletest g++-mingw-w64-x86-64-posix
)

# To build and run every test, and the benchmarks.
ORVANEL_TEST_PACKAGES=(
    "${ORVANEL_RUN_PACKAGES[@]}"
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang-format openbox x11-xkb-utils xkb-data xdotool x11-utils
    sway weston wtype dbus-daemon kwin-wayland gnome-shell
    clang clang-tidy libclang-rt-14-dev python3
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine64 wine fonts-wine
    "${ORVANEL_PACKAGE_PACKAGES[@]}"
)

orvanel_install_missing() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

# The CMake arguments of a build that the Debian package can be made from:
# installed under /usr, with Debian's own compiler and linker flags and every
# hardening option. scripts/package.sh builds with them, and so does
# scripts/test.sh, whose tests then run the programs that the package holds.
orvanel_debian_cmake_args() {
    local DEB_BUILD_MAINT_OPTIONS=hardening=+all
    export DEB_BUILD_MAINT_OPTIONS
    orvanel_debian_args=(
        -DCMAKE_INSTALL_PREFIX=/usr
        "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
        "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
    )
}
