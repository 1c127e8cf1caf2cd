#!/usr/bin/env bash
# Builds qatutor for 64-bit Windows on Linux with Debian's mingw-w64, makes its installer and tests
# it under Wine:
# - Qt 6 (Core, Gui, Widgets, Test and the Windows platform plugin; no network, SQL, D-Bus or
#   OpenGL) from Debian's own qt6-base source, and ICU from Debian's own icu source, into cache folders
#   that later runs reuse: ${XDG_CACHE_HOME:-~/.cache}/qatutor/qt6-windows-<version> and
#   icu-windows-<version>. Qt takes about 40 minutes on 2 cores, ICU about 10; a build that
#   stopped goes on where it stopped.
# - qatutor.exe, qatutor-inbox.exe and qatutor-bankcheck.exe in build-windows/app, with the
#   window's tests run under Wine;
# - the installer build-windows/qatutor-<version>-win64.exe (CPack's NSIS generator);
# - a student's session under Wine in Xvfb with the installed tutor (tests/e2e/wine_session.py).
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
    apt_update
}

# debian_source WORK PACKAGE INSTALLED: the folder of PACKAGE's source in WORK, fetched with
# apt-get source (once) at the version of the installed package INSTALLED built from it.
debian_source() {
    local work="$1" package="$2" installed="$3" source
    source="$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)"
    if [ -z "$source" ]; then
        (cd "$work" && apt-get source -qq "$package=$(dpkg-query -W -f='${Version}' "$installed")" >/dev/null)
        source="$(find "$work" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)"
    fi
    echo "$source"
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
    source="$(debian_source "$work" qt6-base qt6-base-dev)"
    # Only what qatutor and its window's tests use: Core, Gui, Widgets, Test and the qwindows
    # plugin. Debian's source lacks the tablet header (wintab.h), and without OpenGL there is no
    # dynamic OpenGL to choose either.
    # A build that stopped half way goes on where it stopped.
    [ -f "$work/build/build.ninja" ] || cmake -S "$source" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
        -DINPUT_opengl=no -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
        -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF -DFEATURE_dynamicgl=OFF \
        >"$work/configure.log" 2>&1 || { tail -n 40 "$work/configure.log" >&2; exit 1; }
    cmake --build "$work/build" -- -j"$(nproc)"
    cmake --install "$work/build" >/dev/null
    touch "$prefix/qatutor-qt-with-test-complete"
    rm -rf "$work"
}

# build_windows_icu: builds ICU for Windows from Debian's own icu source (the version the Linux
# build links, so that names are spelled alike) into the cache unless it is there already: static
# libraries with the data built in, so that qatutor.exe carries its ICU within. ICU's cross build
# runs tools built for Linux first (from the same source); a build that stopped goes on where it
# stopped.
build_windows_icu() {
    windows_icu_ready && return 0
    local version prefix work
    version="$(windows_icu_version)"
    prefix="$(windows_icu_prefix)"
    work="$QATUTOR_CACHE/icu-windows-$version-build"
    ensure_debian_sources
    echo "Building ICU $version for Windows into $prefix (about 10 minutes on 2 cores) ..."
    mkdir -p "$work"
    local source
    source="$(debian_source "$work" icu libicu-dev)"
    # Only the libraries qatutor uses (common, i18n and the data), none of ICU's tests, samples,
    # layout or I/O libraries.
    local parts=(--disable-tests --disable-samples --disable-extras --disable-icuio --disable-layoutex)
    mkdir -p "$work/linux" "$work/windows"
    # From the Linux build only its tools and the libraries they load are needed, not its data.
    if [ ! -f "$work/linux/qatutor-done" ]; then
        (cd "$work/linux" && { [ -f Makefile ] || "$source/source/configure" "${parts[@]}" \
            >configure.log 2>&1; } && make -j"$(nproc)" DATASUBDIR= >make.log 2>&1) \
            || { tail -n 40 "$work/linux/"*.log >&2; exit 1; }
        touch "$work/linux/qatutor-done"
    fi
    (cd "$work/windows" && { [ -f Makefile ] || "$source/source/configure" "${parts[@]}" \
            --host=x86_64-w64-mingw32 --with-cross-build="$work/linux" \
            --enable-static --disable-shared --disable-tools --with-data-packaging=static \
            --prefix="$prefix" CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix \
            >configure.log 2>&1; } && make -j"$(nproc)" >make.log 2>&1 \
            && mkdir -p "$prefix/bin" && make install >install.log 2>&1) \
        || { tail -n 40 "$work/windows/"*.log >&2; exit 1; }
    # For mingw-w64, ICU installs its data library as bin/sicudt.a and an empty stub under the
    # name the linker looks for, lib/libsicudt.a: the data takes the stub's place.
    mv "$prefix/bin/sicudt.a" "$prefix/lib/libsicudt.a"
    touch "$prefix/qatutor-icu-complete"
    rm -rf "$work"
}

# build_windows_app: builds qatutor.exe, qatutor-inbox.exe and qatutor-bankcheck.exe against the
# cached Qt and ICU in build-windows/app, with the window's tests, which it runs under Wine
# offscreen, as ./test.sh runs them on Linux.
build_windows_app() {
    local app=build-windows/app
    cmake -S . -B "$app" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DQATUTOR_WERROR=ON \
        -DCMAKE_PREFIX_PATH="$(windows_qt_prefix)" -DCMAKE_FIND_ROOT_PATH="$(windows_icu_prefix)" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
    cmake --build "$app" --target qatutor qatutor-inbox qatutor-bankcheck window_tests \
        -- -j"$(nproc)"
    echo "== the window's tests under Wine"
    # Qt's and the compiler's DLLs are found through WINEPATH, Qt's plugins through
    # QT_PLUGIN_PATH (Windows paths: / is Z:\).
    local runtime folders=() folder
    runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
    for folder in "$(windows_qt_prefix)/bin" "$runtime" /usr/x86_64-w64-mingw32/lib; do
        folders+=("Z:${folder//\//\\}")
    done
    local plugins
    plugins="$(windows_qt_prefix)/plugins"
    # The two tests that measure the captions in Arial are left out: Wine has no Arial, and the
    # font it gives instead is wider.
    WINEPATH="$(IFS=';'; echo "${folders[*]}")" QT_PLUGIN_PATH="Z:${plugins//\//\\}" \
        QT_QPA_PLATFORM=offscreen with_wine wine "$app/tests/window/window_tests.exe" \
        --gtest_filter=-WindowTest.EveryCaptionIsReadableWholeInsideItsControl:WindowTest.CaptionsTheLayoutCannotShowWholeAreTooltips
    stop_wine
}

# The DLLs every Windows has (and the API sets it resolves itself); any other DLL a program or
# library imports must lie in the installed folder.
WINDOWS_SYSTEM_DLLS="advapi32 comctl32 comdlg32 crypt32 d3d9 d3d11 d3d12 dwmapi dwrite dxgi gdi32 \
imm32 kernel32 msvcrt netapi32 ole32 oleaut32 setupapi shcore shell32 shlwapi user32 userenv \
uxtheme version winmm ws2_32 wtsapi32 authz mpr"

# check_windows_dlls FOLDER: fails when a program or DLL under FOLDER imports a DLL that is
# neither in FOLDER nor one of Windows' own.
check_windows_dlls() {
    local folder="$1" file dll missing=0
    local present
    present="$(find "$folder" -maxdepth 1 -iname '*.dll' -printf '%f\n' | tr 'A-Z' 'a-z')"
    while IFS= read -r -d '' file; do
        for dll in $(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
            case " $WINDOWS_SYSTEM_DLLS " in *" ${dll%.dll} "*) continue ;; esac
            [[ "$dll" == api-ms-win-* ]] && continue
            if ! grep -qx "$dll" <<<"$present"; then
                echo "${file#"$folder"/} needs $dll, which is not installed beside it" >&2
                missing=1
            fi
        done
    done < <(find "$folder" \( -iname '*.exe' -o -iname '*.dll' \) -print0)
    return $missing
}

# check_stripped FOLDER: fails when a program or DLL under FOLDER still carries debugging sections.
check_stripped() {
    local file failed=0
    while IFS= read -r -d '' file; do
        if x86_64-w64-mingw32-objdump -h "$file" | grep -q ' \.debug_'; then
            echo "${file#"$1"/} still carries debugging sections" >&2
            failed=1
        fi
    done < <(find "$1" \( -iname '*.exe' -o -iname '*.dll' \) -print0)
    return $failed
}

# build_windows_installer: the installer, build-windows/qatutor-VERSION-win64.exe, after checking
# that the installed folder holds every DLL its programs load, each stripped.
build_windows_installer() {
    local app=build-windows/app
    rm -rf build-windows/installed
    cmake --install "$app" --prefix build-windows/installed >/dev/null
    check_windows_dlls build-windows/installed
    check_stripped build-windows/installed
    (cd "$app" && cpack -G NSIS -B "$PWD/.." >cpack.log 2>&1) || { cat "$app/cpack.log" >&2; exit 1; }
    rm -rf build-windows/_CPack_Packages
    echo "The installer: $(windows_installer)"
}

# windows_installer: the installer's path, named with the project's version.
windows_installer() {
    echo "build-windows/qatutor-$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-windows/app/CMakeCache.txt)-win64.exe"
}

build_windows_qt
echo "Qt for Windows is ready in $(windows_qt_prefix)."
build_windows_icu
echo "ICU for Windows is ready in $(windows_icu_prefix)."
build_windows_app
build_windows_installer
echo "== a student's session with the installed tutor under Wine"
python3 tests/e2e/wine_session.py "$(windows_installer)" build-windows
