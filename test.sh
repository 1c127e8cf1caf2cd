#!/usr/bin/env bash
# Installs what is missing, builds qatutor and runs every test: the core with AddressSanitizer
# and UndefinedBehaviorSanitizer, the fuzz targets for a short while, then the whole suite
# (core, window offscreen, and a student's session in a real X server). Ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}" clang libclang-rt-14-dev python3 \
    xvfb openbox xdotool x11-utils

status=0

echo "== core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
build_tree build-sanitize -DQATUTOR_WITH_WINDOW=OFF -DQATUTOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)" -L core >build-sanitize/ctest.log 2>&1 \
    || status=1
tail -n 3 build-sanitize/ctest.log
[ $status -eq 0 ] || cat build-sanitize/ctest.log

echo "== fuzz targets"
build_tree build-fuzz -DQATUTOR_WITH_WINDOW=OFF -DQATUTOR_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
if ! ctest --test-dir build-fuzz --output-on-failure -L fuzz >build-fuzz/ctest.log 2>&1; then
    status=1
    cat build-fuzz/ctest.log
fi
tail -n 3 build-fuzz/ctest.log

echo "== the whole suite"
build_tree build -DQATUTOR_BENCH=ON
ctest --test-dir build --output-on-failure -j"$(nproc)" || status=1
exit $status
