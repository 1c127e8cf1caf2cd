#!/usr/bin/env bash
# Builds the benchmarks when needed and prints the table: each measurement of qatutor against its
# floor (the least any program doing the same thing pays), the medians of interleaved runs, their
# ratio and the run count, then the peak memory of each. Start-up is measured offscreen and, when
# Xvfb is installed, in a real X server too. Exits non-zero only when something fails to run.
#
#   bench/run.sh [--runs N] [--only MEASUREMENT]...   N processes per side (default 5); the
#                                                   measurements are listed in bench/measure.py,
#                                                   and "inbox" (bench/inbox_bench.sh)
#
# The build folder is $QATUTOR_BUILD_DIR, or build-test. Without --only, or with --only inbox,
# the inbox's benchmark runs after the table with the build folder as its argument and prints its
# own lines below it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/common.sh

# The inbox's benchmark needs GNU time and a test program that writes sessions (GoogleTest).
ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" python3 time
build="${QATUTOR_BUILD_DIR:-build-test}"
# The same options as ./test.sh's whole-suite build, so the two share build-test as it is.
build_tree "$build" -DQATUTOR_WERROR=ON -DQATUTOR_BENCH=ON >/dev/null
# "--only inbox" names the inbox's benchmark, a script of its own; the other names go to measure.py.
only=false
inbox=false
table=()
previous=
for argument in "$@"; do
    case "$previous:$argument" in
    --only:inbox | *:--only=inbox) inbox=true; table=("${table[@]:0:${#table[@]}-1}") ;;
    *) table+=("$argument") ;;
    esac
    [ "${argument%%=*}" = --only ] && only=true
    previous="$argument"
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
# With --only, the table runs when it still names a measurement of its own.
if ! $only || printf '%s\n' "${table[@]}" | grep -q -- '^--only'; then
    python3 bench/measure.py "$build/bench/qatutor-bench" "${display[@]}" "${table[@]}" || status=1
fi
if ! $only || $inbox; then
    bash bench/inbox_bench.sh "$build" || status=1
fi
echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)," \
     "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n1)"
exit $status
