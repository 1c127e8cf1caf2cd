#!/usr/bin/env bash
# Benchmark of qatutor-inbox (not a test): 200 send files of about 500 KB each (100 MB), made of
# records the tutor's own code wrote, read into one report. Prints the time and the peak memory
# for 10, 50, 100 and 200 files, how the time grows, and whether 200 files stay within the
# targets (3 s, 250 MB).
#
#   bench/inbox_bench.sh [BUILD_DIR]     (default: build-test, where ./test.sh builds; needs
#                                          qatutor-inbox and inbox_sessions)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build-test}"
inbox="$build/qatutor-inbox"
sessions="$build/tests/inbox/inbox_sessions"
for program in "$inbox" "$sessions"; do
    [ -x "$program" ] || { echo "inbox_bench: $program is missing; it is built with the tests (-DQATUTOR_TESTS=ON)" >&2; exit 2; }
done
[ -x /usr/bin/time ] || { echo "inbox_bench: needs GNU time (Debian package time)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/sessions" "$work/all"
"$sessions" "$work/sessions"

# Each file: the file header of a real send file, then its records again and again, each copy's
# responses made a little different, to about 500 KB.
python3 - "$work/sessions/send_1208Bob_Stone.txt" "$work/all" <<'EOF'
import sys
source, folder = sys.argv[1], sys.argv[2]
data = open(source, "rb").read()
separator = b"......!!!!!!!!..................................."
first = data.index(separator)
header, records = data[:first], data[first:]
response = b"RESPONSE -->  \r\n"
filler = (b"I worked it out step by step: 7 x 6 x 5 = 210, and then divided by 3! = 6 to get 35. "
          b"\xe9\xe8 \x96 ") * 6
for student in range(200):
    parts = [header]
    size = len(header)
    copy = 0
    while size < 500_000:
        tag = b"Student %d, copy %d. " % (student, copy)
        chunk = records.replace(response, response + tag + filler + b"\r\n")
        parts.append(chunk)
        size += len(chunk)
        copy += 1
    open(f"{folder}/send_1208Student_{student:03d}.txt", "wb").write(b"".join(parts))
EOF

echo "files  MB     seconds  peak MB  seconds per file"
results=()
for count in 10 50 100 200; do
    folder="$work/n$count"
    mkdir -p "$folder" "$work/out$count"
    ls "$work/all" | sed -n "1,${count}p" | while read -r name; do ln "$work/all/$name" "$folder/$name"; done
    megabytes=$(du -sm --apparent-size "$folder" | cut -f1)
    best=""
    for attempt in 1 2; do
        /usr/bin/time -v "$inbox" "$folder" --out "$work/out$count" >/dev/null 2>"$work/time.txt"
        seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i]; print s }' "$work/time.txt")
        peak=$(awk -F': ' '/Maximum resident set size/ { printf "%.0f", $2 / 1024 }' "$work/time.txt")
        if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$seconds
            bestPeak=$peak
        fi
    done
    printf "%5d  %5d  %7.2f  %7d  %.4f\n" "$count" "$megabytes" "$best" "$bestPeak" \
        "$(awk -v s="$best" -v n="$count" 'BEGIN { print s / n }')"
    results+=("$count:$best:$bestPeak")
done

ten="${results[0]#*:}"; ten="${ten%%:*}"
last="${results[3]}"; seconds200="${last#*:}"; seconds200="${seconds200%%:*}"; peak200="${last##*:}"
awk -v a="$ten" -v b="$seconds200" 'BEGIN { if (a > 0) printf "growth 10 -> 200 files: %.1f times the time for 20 times the files\n", b / a }'
awk -v s="$seconds200" -v m="$peak200" 'BEGIN {
    printf "200 files: %.2f s (target under 3 s), %d MB peak (target under 250 MB): %s\n", s, m,
           (s < 3 && m < 250) ? "within the targets" : "OVER THE TARGETS" }'
