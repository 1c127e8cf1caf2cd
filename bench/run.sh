#!/usr/bin/env bash
# Builds the benchmarks when needed and prints the table: each measurement of qatutor against its
# floor (the least any program doing the same thing pays), the medians of interleaved runs, their
# ratio and the run count, then the peak memory of each. Start-up is measured offscreen and, when
# Xvfb is installed, in a real X server too. Exits non-zero only when something fails to run.
#
#   bench/run.sh [--runs N] [--only MEASUREMENT]...   N processes per side (default 5); the
#                                                   measurements are listed in bench/measure.py
#
# The build folder is $QATUTOR_BUILD_DIR, or build-test. Without --only, every other bench/*.sh script
# (the inbox's benchmark) is run after the table with the build folder as its argument and prints
# its own lines below it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh

# The inbox's benchmark needs GNU time and a test program that writes sessions (GoogleTest).
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" python3 time
build="${QATUTOR_BUILD_DIR:-build-test}"
# The same options as ./test.sh's whole-suite build, so the two share build-test as it is.
build_tree "$build" -DQATUTOR_WERROR=ON -DQATUTOR_BENCH=ON >/dev/null
only=false
for argument in "$@"; do
    case "$argument" in --only | --only=*) only=true ;; esac
done

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
