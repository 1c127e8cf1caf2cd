#!/usr/bin/env bash
# Builds the benchmarks when needed and prints the table: each measurement of qatutor against its
# floor (the least any program doing the same thing pays), the medians of interleaved runs, their
# ratio and the run count, then the peak memory of each. Start-up is measured offscreen and, when
# Xvfb is installed, in a real X server too. Exits non-zero only when something fails to run.
#
#   bench/run.sh [--runs N] [--only MEASUREMENT]...   N processes per side (default 5); the
#                                                   measurements are listed in bench/measure.py
#
# The build folder is $QATUTOR_BUILD_DIR, or build. Without --only, every other bench/*.sh script
# (the inbox's benchmark) is run after the table with the build folder as its argument and prints
# its own lines below it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}" python3
build="${QATUTOR_BUILD_DIR:-build}"
if [ ! -f "$build/build.ninja" ] || ! grep -q '^QATUTOR_BENCH:BOOL=ON' "$build/CMakeCache.txt"; then
    cmake -S . -B "$build" -G Ninja -DQATUTOR_BENCH=ON >/dev/null
fi
only=false
for argument in "$@"; do
    case "$argument" in --only | --only=*) only=true ;; esac
done
# The inbox's benchmark needs the inbox and the test program that writes its sessions.
targets=(qatutor-bench)
if ! $only && grep -q '^QATUTOR_TESTS:BOOL=ON' "$build/CMakeCache.txt"; then
    targets+=(qatutor-inbox inbox_sessions)
fi
cmake --build "$build" --target "${targets[@]}" -- -j"$(nproc)" >/dev/null

display=()
xvfb_pid=
if command -v Xvfb >/dev/null 2>&1; then
    for number in $(seq 151 199); do
        if [ ! -e "/tmp/.X11-unix/X$number" ] && [ ! -e "/tmp/.X$number-lock" ]; then
            Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
            xvfb_pid=$!
            for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
            display=(--display ":$number")
            break
        fi
    done
fi
stop_xvfb() { if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi; }
trap stop_xvfb EXIT

status=0
python3 bench/measure.py "$build/bench/qatutor-bench" "${display[@]}" "$@" || status=1
for script in bench/*.sh; do
    { [ "$script" = bench/run.sh ] || $only; } && continue
    bash "$script" "$build" || status=1
done
echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)," \
     "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
exit $status
