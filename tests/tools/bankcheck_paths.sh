#!/usr/bin/env bash
# qatutor-bankcheck on paths it cannot read: each ends with exit status 2 and a line on standard
# error naming the path and the reason, never with an abort.
#   bankcheck_paths.sh BANKCHECK
set -u
bankcheck="$1"
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
ln -s loop-b "$folder/loop-a"
ln -s loop-a "$folder/loop-b"
long="$folder/$(printf 'x%.0s' $(seq 300)).bank"

failures=0
# path|what the reason must say
while IFS='|' read -r path reason; do
    "$bankcheck" "$path" >/dev/null 2>"$folder/stderr"
    status=$?
    if [ $status -ne 2 ] || ! grep -qF "cannot read $path: $reason" "$folder/stderr"; then
        echo "FAIL $path: exit status $status (want 2), standard error:" >&2
        cat "$folder/stderr" >&2
        failures=$((failures + 1))
    fi
done <<TABLE
$folder/loop-a|Too many levels of symbolic links
$long|File name too long
$folder|it is a folder
$folder/missing.bank|No such file or directory
TABLE
[ $failures -eq 0 ] && echo "every unreadable path: exit status 2 with its reason"
exit $failures
