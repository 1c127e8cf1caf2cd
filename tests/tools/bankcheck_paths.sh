#!/usr/bin/env bash
# qatutor-bankcheck on paths it cannot read: each ends with exit status 2 and a line on standard
# error naming the path and the reason, never with an abort.
#   bankcheck_paths.sh BANKCHECK [EMULATOR...]
# A checker built for Windows runs in the emulator that CMake names for it (Wine).
set -u
bankcheck=("${@:2}" "$1")
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
long="$folder/$(printf 'x%.0s' $(seq 300)).bank"

# path|what the reason must say
rows="$folder|it is a folder
$folder/missing.bank|No such file or directory"
case "$1" in
*.exe)  # Windows' C library names a name too long as missing; its folders hold no links
    rows+="
$long|No such file or directory" ;;
*)
    ln -s loop-b "$folder/loop-a"
    ln -s loop-a "$folder/loop-b"
    rows+="
$long|File name too long
$folder/loop-a|Too many levels of symbolic links" ;;
esac

failures=0 checked=0
while IFS='|' read -r path reason; do
    "${bankcheck[@]}" "$path" </dev/null >/dev/null 2>"$folder/stderr"
    status=$?
    if [ $status -ne 2 ] || ! grep -qF "cannot read $path: $reason" "$folder/stderr"; then
        echo "FAIL $path: exit status $status (want 2), standard error:" >&2
        cat "$folder/stderr" >&2
        failures=$((failures + 1))
    fi
    checked=$((checked + 1))
done <<<"$rows"
[ $failures -eq 0 ] && echo "every unreadable path ($checked): exit status 2 with its reason"
exit $failures
