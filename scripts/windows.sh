# Shared by build-windows.sh and test.sh: what building qatutor for Windows on Linux needs, and
# Wine to run the results. Sourced after common.sh.

# The mingw-w64 compilers with posix threads, Wine (wine64 runs the programs; wine puts `wine` on
# the path), GoogleTest's sources to build for Windows, zlib for the inbox's .zip archives.
WINDOWS_TEST_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
    binutils-mingw-w64-x86-64 wine wine64 googletest libz-mingw-w64-dev)
# Building Qt and ICU from Debian's source (dpkg-dev unpacks it) with Debian's Linux Qt as host
# tools and ICU's own build (make); the icon drawn and put into an .ico (librsvg2-bin, icoutils);
# the installer (nsis); the session under Wine in an X server (xvfb, openbox, xdotool, x11-utils,
# imagemagick for the screenshot).
WINDOWS_BUILD_PACKAGES=("${WINDOWS_TEST_PACKAGES[@]}" dpkg-dev make qt6-base-dev qt6-base-dev-tools
    librsvg2-bin icoutils nsis python3 xvfb openbox xdotool x11-utils imagemagick)

# The Qt for Windows that build-windows.sh builds and later runs reuse: the same version as the
# Linux Qt whose tools it builds with, in the user's cache.
windows_qt_version() {
    dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null | sed 's/[+~-].*//'
}
QATUTOR_CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/qatutor"
windows_qt_prefix() {
    echo "$QATUTOR_CACHE/qt6-windows-$(windows_qt_version)"
}
# windows_qt_ready: true when the cached Qt for Windows was built and installed whole, with Qt Test
# (a cache from before the window's tests ran under Wine has no Qt Test, and is built again).
windows_qt_ready() {
    [ -n "$(windows_qt_version)" ] && [ -f "$(windows_qt_prefix)/qatutor-qt-with-test-complete" ]
}

# ICU for Windows, which build-windows.sh builds from Debian's icu source: the same version as the
# Linux ICU the tutor links, in the user's cache beside Qt.
windows_icu_version() {
    dpkg-query -W -f='${Version}' libicu-dev 2>/dev/null | sed 's/[+~-].*//'
}
windows_icu_prefix() {
    echo "$QATUTOR_CACHE/icu-windows-$(windows_icu_version)"
}
# windows_icu_ready: true when the cached ICU for Windows was built and installed whole.
windows_icu_ready() {
    [ -n "$(windows_icu_version)" ] && [ -f "$(windows_icu_prefix)/qatutor-icu-complete" ]
}

# with_wine COMMAND...: runs COMMAND with a Wine prefix of its own in build-windows/ (created on
# first use), no Wine debugging output, no desktop integration and no crash dialog (a program that
# crashes ends at once, so that no test waits on a window nobody sees).
with_wine() {
    export WINEPREFIX="${WINEPREFIX:-$PWD/build-windows/wine-prefix}"
    export WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d;winedbg.exe=d"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        echo "Creating the Wine prefix $WINEPREFIX ..."
        wineboot --init </dev/null >/dev/null 2>&1 || true
        wineserver -w || true
    fi
    # The server and Wine's own services start apart from COMMAND's output: started by COMMAND
    # they would keep its pipe open after it ended, and whoever reads that pipe (CTest) would
    # wait on them. The server stays 30 seconds after the last program ends.
    wineserver -p30 </dev/null >/dev/null 2>&1 || true
    wineboot </dev/null >/dev/null 2>&1 || true
    "$@"
}

# stop_wine: ends the Wine server of the prefix and every program in it, and waits until it has.
stop_wine() {
    WINEPREFIX="${WINEPREFIX:-$PWD/build-windows/wine-prefix}" wineserver -k 2>/dev/null || true
    WINEPREFIX="${WINEPREFIX:-$PWD/build-windows/wine-prefix}" wineserver -w 2>/dev/null || true
}
