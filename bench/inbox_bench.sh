#!/usr/bin/env bash
# Benchmark of qatutor-inbox (not a test): 10, 200 and 1,000 send files of about 500 KB each, made
# of records the tutor's own code wrote, each file a student of their own, read into one report.
# For each: the time and the peak memory of the inbox against its floor, reading the same bytes
# (cat), and the size of report.html and of the run's folder beside it (records.csv and the
# students' pages). For 200 files, also the time headless Chromium takes to load report.html.
# Then a class of 300 students by the 14 assignments of the built-in bank, made of sessions the
# tutor's own code wrote to each assignment's end: the size of report.html, the first page, and
# the time headless Chromium takes to load it.
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
python3 - "$work/sessions/send_1208Bob_Stone.txt" "$work/all" <<'PYTHON'
import sys
source, folder = sys.argv[1], sys.argv[2]
data = open(source, "rb").read()
separator = b"......!!!!!!!!..................................."
first = data.index(separator)
header, records = data[:first], data[first:]
response = b"RESPONSE -->  \r\n"
filler = (b"I worked it out step by step: 7 x 6 x 5 = 210, and then divided by 3! = 6 to get 35. "
          b"\xe9\xe8 \x96 ") * 6
for student in range(1000):
    parts = [header]
    size = len(header)
    copy = 0
    while size < 500_000:
        tag = b"Student %d, copy %d. " % (student, copy)
        chunk = records.replace(response, response + tag + filler + b"\r\n")
        parts.append(chunk)
        size += len(chunk)
        copy += 1
    open(f"{folder}/send_1208Student_{student:04d}.txt", "wb").write(b"".join(parts))
PYTHON

# timed OUTPUT COMMAND...: runs the command under GNU time; prints "seconds peak-MB".
timed() {
    local output="$1"
    shift
    /usr/bin/time -v "$@" >"$output" 2>"$work/time.txt" || true
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i] }
                /Maximum resident set size/ { peak = $2 / 1024 }
                END { printf "%s %.0f\n", s, peak }' "$work/time.txt"
}

# best OUTPUT COMMAND...: the best time of two runs, with that run's peak memory.
best() {
    local output="$1"
    shift
    { timed "$output" "$@"; timed "$output" "$@"; } | sort -n | head -n1
}

echo "| files | MB read | inbox s | floor s | ratio | inbox peak MB | floor peak MB | report.html KB | run folder MB |"
echo "|---|---|---|---|---|---|---|---|---|"
for count in 10 200 1000; do
    folder="$work/n$count"
    mkdir -p "$folder" "$work/out$count"
    ls "$work/all" | sed -n "1,${count}p" | while read -r name; do ln "$work/all/$name" "$folder/$name"; done
    megabytes=$(du -sm --apparent-size "$folder" | cut -f1)
    read -r seconds peak < <(best /dev/null "$inbox" "$folder" --out "$work/out$count")
    read -r floorSeconds floorPeak < <(best /dev/null sh -c 'cat "$1"/* >/dev/null' sh "$folder")
    report=$(( $(stat -c %s "$work/out$count/report.html") / 1024 ))
    runFolder=$(du -sm --apparent-size "$work/out$count"/report-* | cut -f1)
    printf "| %d | %d | %.2f | %.2f | %.1f | %d | %d | %d | %d |\n" "$count" "$megabytes" "$seconds" \
        "$floorSeconds" "$(awk -v a="$seconds" -v b="$floorSeconds" 'BEGIN { print (b > 0 ? a / b : 0) }')" \
        "$peak" "$floorPeak" "$report" "$runFolder"
    if [ "$count" = 200 ]; then cp "$work/out$count/report.html" "$work/report200.html"; fi
    rm -rf "$work/out$count"
done

# loaded SECONDS_VARIABLE FILE: headless Chromium loads and draws FILE; the wall time, start-up
# included.
loaded() {
    local profile start end
    profile="$(mktemp -d)"
    start=$(date +%s.%N)
    "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$profile" --dump-dom "file://$1" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    rm -rf "$profile"
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }'
}

browser="$(command -v chromium || command -v chromium-browser || true)"
echo '<!DOCTYPE html><title>empty</title>' >"$work/empty.html"
if [ -n "$browser" ] && [ -f "$work/report200.html" ]; then
    printf "report.html of 200 students loaded and drawn by headless Chromium in %s s; an empty page in %s s\n" \
        "$(loaded "$work/report200.html")" "$(loaded "$work/empty.html")"
fi

# The class: each student's copy of each assignment's session under their name, some left out
# (not handed in), some cut after a few records (partly), the ratings shifted by how the student
# is doing, so that the grid and the rankings have every kind of cell and figure.
mkdir -p "$work/every" "$work/class"
"$sessions" "$work/every" --every-assignment
python3 - "$work/every" "$work/class" <<'PYTHON'
import os, re, sys
source, folder = sys.argv[1], sys.argv[2]
closing = b"." * 49 + b"\r\n"
# 300 names no two of which differ by only a letter or two (the report would point them out).
given = ["Yusuf", "Boris", "Chiara", "Dmitri", "Esther", "Farid", "Greta", "Hiroshi", "Ingrid", "Joaquim",
         "Kwame", "Lucia", "Mateo", "Nadia", "Oskar", "Priya", "Quentin", "Rosalind", "Sven", "Tamsin"]
family = ["Abernathy", "Brennan", "Castellano", "Dubois", "Eriksen", "Fitzgerald", "Gonzaga", "Hargreaves",
          "Ivanova", "Jablonski", "Kowalczyk", "Lindqvist", "Montgomery", "Nakamura", "Okonkwo"]
names = [f"{g}_{f}" for f in family for g in given]
for name in sorted(os.listdir(source)):
    day = name[5:9]
    data = open(os.path.join(source, name), "rb").read()
    assignment = int(day[2:])
    for student in range(300):
        if (student * 7 + assignment) % 23 == 0:
            continue
        copy = data
        if (student + assignment) % 5 == 0:
            ends = [m.end() for m in re.finditer(re.escape(b"\r\n" + closing), copy)]
            copy = copy[:ends[min(len(ends) - 1, 3 + student % 7)]]
        shift = student % 3 - 1
        copy = re.sub(rb"(assessment: +)([0-3])",
                      lambda m: m.group(1) + str(max(0, min(3, int(m.group(2)) - shift))).encode(), copy)
        open(os.path.join(folder, f"send_{day}{names[student]}.txt"), "wb").write(copy)
PYTHON
mkdir -p "$work/classout"
read -r seconds peak < <(timed /dev/null "$inbox" "$work/class" --out "$work/classout")
printf "class of 300 students by 14 assignments (%d files): read in %.2f s, peak %d MB; report.html %d KB\n" \
    "$(ls "$work/class" | wc -l)" "$seconds" "$peak" "$(( $(stat -c %s "$work/classout/report.html") / 1024 ))"
if [ -n "$browser" ]; then
    printf "report.html of the class loaded and drawn by headless Chromium in %s s; an empty page in %s s\n" \
        "$(loaded "$work/classout/report.html")" "$(loaded "$work/empty.html")"
fi
