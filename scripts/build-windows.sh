#!/usr/bin/env bash
# Builds Qt 6 for 64-bit Windows on Linux with Debian's mingw-w64 (Core, Gui, Widgets and the
# Windows platform plugin; no network, SQL, D-Bus or OpenGL) from Debian's own qt6-base source, into
# a cache folder that later runs reuse: ${XDG_CACHE_HOME:-~/.cache}/qatutor/qt6-windows-<version>.
# It takes about 40 minutes on 2 cores; a build that stopped goes on where it stopped.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh
. scripts/windows.sh

ensure_packages "${WINDOWS_BUILD_PACKAGES[@]}"

# ensure_debian_sources: lets apt-get fetch source packages from the Debian archive the machine
# already installs from, by adding a deb-src entry for each of its Debian entries (once).
ensure_debian_sources() {
    local list=/etc/apt/sources.list.d/qatutor-deb-src.sources
    local classic=/etc/apt/sources.list.d/qatutor-deb-src.list
    [ -f "$list" ] || [ -f "$classic" ] && return 0
    local runner=()
    [ "$(id -u)" -eq 0 ] || runner=(sudo)
    local deb822=/etc/apt/sources.list.d/debian.sources
    if [ -f "$deb822" ]; then
        sed 's/^Types:.*/Types: deb-src/' "$deb822" | "${runner[@]}" tee "$list" >/dev/null
    elif [ -f /etc/apt/sources.list ]; then
        grep -E '^deb +(\[[^]]*\] +)?[a-z]+://[^ ]*debian' /etc/apt/sources.list \
            | sed 's/^deb /deb-src /' | "${runner[@]}" tee "$classic" >/dev/null
    else
        echo "No Debian archive found in /etc/apt to fetch Qt's source from." >&2
        exit 1
    fi
    "${runner[@]}" apt-get update -qq
}

# build_windows_qt: builds and installs Qt for Windows into the cache unless it is there already.
build_windows_qt() {
    windows_qt_ready && return 0
    local version prefix work
    version="$(windows_qt_version)"
    prefix="$(windows_qt_prefix)"
    work="$QATUTOR_CACHE/qt6-windows-$version-build"
    ensure_debian_sources
    echo "Building Qt $version for Windows into $prefix (about 40 minutes on 2 cores) ..."
    mkdir -p "$work"
    local source
    source="$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)"
    if [ -z "$source" ]; then
        (cd "$work" && apt-get source -qq "qt6-base=$(dpkg-query -W -f='${Version}' qt6-base-dev)" >/dev/null)
        source="$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)"
    fi
    # Only what qatutor uses: Core, Gui, Widgets and the qwindows plugin. Debian's source lacks the
    # tablet header (wintab.h), and without OpenGL there is no dynamic OpenGL to choose either.
    # A build that stopped half way goes on where it stopped.
    [ -f "$work/build/build.ninja" ] || cmake -S "$source" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
        -DINPUT_opengl=no -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
        -DFEATURE_testlib=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF \
        >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log" >&2; exit 1; }
    cmake --build "$work/build" -- -j"$(nproc)"
    cmake --install "$work/build" >/dev/null
    touch "$prefix/qatutor-qt-complete"
    rm -rf "$work"
}

build_windows_qt
echo "Qt for Windows is ready in $(windows_qt_prefix)."
