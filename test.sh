#!/usr/bin/env bash
# Installs what is missing, builds qatutor and runs every test: the core with AddressSanitizer
# and UndefinedBehaviorSanitizer, the fuzz targets for a short while, then the whole suite
# (core, window offscreen, a student's session in a real X server, the inbox report in headless
# Chromium, and the Debian package built and checked), and last the core, the inbox and the
# checker built for Windows and run under Wine (QATUTOR_WINDOWS_TESTS=0 skips them). Ends with
# CTest's summaries.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/common.sh

# Besides the build: the end-to-end tests read boxes through the clipboard (xclip) and the
# accessibility tree through AT-SPI (a session bus, at-spi2-core, pyatspi); the inbox's
# report is checked in chromium; the package test needs lintian, desktop-file-utils, appstream and
# dpkg-dev (dpkg-shlibdeps); the number tests need a German locale, which locales generates.
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" clang libclang-rt-14-dev python3 \
    xvfb openbox xdotool x11-utils xclip dbus at-spi2-core python3-pyatspi lintian desktop-file-utils appstream dpkg-dev locales chromium

# ensure_locale LANG: generates LANG.UTF-8 unless it is installed. The number tests switch to a
# German locale (decimal comma) and fail when it is missing, since they would prove nothing.
ensure_locale() {
    local language="$1"
    if locale -a 2>/dev/null | grep -ix "$language\.utf-\?8" >/dev/null; then
        return 0
    fi
    local runner=()
    [ "$(id -u)" -eq 0 ] || runner=(sudo)
    echo "Generating the locale $language.UTF-8 ..."
    "${runner[@]}" localedef -i "$language" -f UTF-8 "$language.UTF-8" \
        || echo "Could not generate the locale $language.UTF-8; the number tests will fail." >&2
}
ensure_locale de_DE

status=0

echo "== core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
build_tree build-sanitize -DQATUTOR_WERROR=ON -DQATUTOR_WITH_WINDOW=OFF -DQATUTOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)" -L core >build-sanitize/ctest.log 2>&1 \
    || status=1
tail -n 3 build-sanitize/ctest.log
[ $status -eq 0 ] || cat build-sanitize/ctest.log

echo "== fuzz targets"
build_tree build-fuzz -DQATUTOR_WERROR=ON -DQATUTOR_WITH_WINDOW=OFF -DQATUTOR_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
if ! ctest --test-dir build-fuzz --output-on-failure -L fuzz >build-fuzz/ctest.log 2>&1; then
    status=1
    cat build-fuzz/ctest.log
fi
tail -n 3 build-fuzz/ctest.log

echo "== the whole suite"
build_tree build-test -DQATUTOR_WERROR=ON -DQATUTOR_BENCH=ON
ctest --test-dir build-test --output-on-failure -j"$(nproc)" || status=1

# The core, the inbox and the checker built for Windows with mingw-w64 and run in Wine: every
# test of the core, the inbox's tests and the checker's. QATUTOR_WINDOWS_TESTS=0 skips them, and
# the installer's session below.
if [ "${QATUTOR_WINDOWS_TESTS:-1}" != 0 ]; then
    echo "== the core, the inbox and the checker for Windows, under Wine"
    . scripts/windows.sh
    ensure_packages "${WINDOWS_TEST_PACKAGES[@]}"
    build_tree build-windows/tests -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DQATUTOR_WERROR=ON -DQATUTOR_WITH_WINDOW=OFF -DCMAKE_EXE_LINKER_FLAGS=-static \
        -DCMAKE_CROSSCOMPILING_EMULATOR=wine
    # A test that hangs in Wine fails after five minutes instead of holding up the run.
    windows_status=0
    with_wine ctest --test-dir build-windows/tests --output-on-failure -j"$(nproc)" -L core \
        -E code_format --timeout 300 >build-windows/tests/ctest.log 2>&1 || windows_status=1
    stop_wine
    [ $windows_status -eq 0 ] || { status=1; cat build-windows/tests/ctest.log; }
    tail -n 3 build-windows/tests/ctest.log
else
    echo "== the Windows build under Wine: skipped (QATUTOR_WINDOWS_TESTS=0)"
fi
# The Windows installer and a student's session with it under Wine, when the Qt and ICU for Windows
# that scripts/build-windows.sh builds (about an hour) are in the cache; their build is never
# started from here.
. scripts/windows.sh
if [ "${QATUTOR_WINDOWS_TESTS:-1}" = 0 ]; then
    echo "== the Windows installer and the session under Wine: skipped (QATUTOR_WINDOWS_TESTS=0)"
elif windows_qt_ready && windows_icu_ready; then
    echo "== the Windows installer and a student's session under Wine"
    scripts/build-windows.sh || status=1
else
    echo "== the Windows installer and the session under Wine: skipped (no Qt and ICU for Windows" \
        "in $QATUTOR_CACHE; scripts/build-windows.sh builds them, in about an hour)"
fi
exit $status
