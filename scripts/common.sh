# Shared by run.sh, test.sh and scripts/build-windows.sh: installs missing Debian packages and
# builds incrementally.

# ensure_packages PKG...: installs the packages that are not installed yet, as root or through
# sudo; says which ones are needed when it can do neither.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local runner=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            runner=(sudo -n)
        elif command -v sudo >/dev/null 2>&1 && [ -t 0 ]; then
            runner=(sudo)
        else
            echo "qatutor needs these Debian packages: ${missing[*]}" >&2
            echo "Install them as root:  apt-get install ${missing[*]}" >&2
            exit 1
        fi
    fi
    echo "Installing ${missing[*]} ..."
    export DEBIAN_FRONTEND=noninteractive
    apt_update
    apt_install "${missing[@]}"
}

# How long an install waits while another program (Software Updater, unattended-upgrades,
# another ./test.sh) holds the package manager: QATUTOR_APT_WAIT seconds, five minutes unless set.
APT_WAIT_SECONDS="${QATUTOR_APT_WAIT:-300}"

# apt_wait_text: that time in words ("5 minutes", "20 seconds").
apt_wait_text() {
    if [ "$APT_WAIT_SECONDS" -ge 120 ] && [ $((APT_WAIT_SECONDS % 60)) -eq 0 ]; then
        echo "$((APT_WAIT_SECONDS / 60)) minutes"
    else
        echo "$APT_WAIT_SECONDS seconds"
    fi
}

# apt_busy ERRORS: whether apt-get's ERRORS say that another program holds the package manager.
apt_busy() {
    grep -q -e "Could not get lock" -e "Unable to acquire the dpkg frontend lock" \
        -e "Unable to lock" <<<"$1"
}

# apt_give_up ERRORS: shows apt-get's ERRORS, and what to do when the package manager stayed
# busy; stops the script.
apt_give_up() {
    printf '%s\n' "$1" >&2
    if apt_busy "$1"; then
        echo "Another program kept the package manager busy for $(apt_wait_text). Let it finish" \
            "(or close it), then start $0 again." >&2
    fi
    exit 1
}

# apt_update: apt-get update through the caller's `runner` (empty, or sudo). apt-get update does
# not wait for the package lists another program holds, so it is tried again every five seconds
# until they are free, for APT_WAIT_SECONDS at most, and the wait is said once.
apt_update() {
    local deadline=$((SECONDS + APT_WAIT_SECONDS)) errors said=""
    until errors="$("${runner[@]}" apt-get update -qq 2>&1 >/dev/null)"; do
        if ! apt_busy "$errors" || [ "$SECONDS" -ge "$deadline" ]; then apt_give_up "$errors"; fi
        if [ -z "$said" ]; then
            local first="${errors%%$'\n'*}"
            echo "The package manager is busy: ${first#E: }. Waiting up to $(apt_wait_text)" \
                "for it ..."
            said=1
        fi
        sleep 5
    done
    [ -z "$errors" ] || printf '%s\n' "$errors" >&2
}

# apt_install PACKAGE...: apt-get install through the caller's `runner`, quietly. While another
# program holds the package manager, apt-get waits for it (DPkg::Lock::Timeout), saying so every
# second; that is said here once, and the rest of apt-get's output is left out.
apt_install() {
    local - error_file errors status=0
    set -o pipefail
    error_file="$(mktemp)"
    "${runner[@]}" apt-get -q -o DPkg::Lock::Timeout="$APT_WAIT_SECONDS" install -y \
        --no-install-recommends "$@" 2>"$error_file" | apt_say_waiting || status=$?
    errors="$(cat "$error_file")"
    rm -f "$error_file"
    [ "$status" -eq 0 ] || apt_give_up "$errors"
    [ -z "$errors" ] || printf '%s\n' "$errors" >&2
}

# apt_say_waiting: reads apt-get's output and tells its first "Waiting for cache lock" line.
apt_say_waiting() {
    local wait
    wait="$(apt_wait_text)"
    awk -v wait="$wait" '/^Waiting for cache lock: / && !said {
        sub(/^Waiting for cache lock: /, ""); sub(/\.+$/, "")
        printf "The package manager is busy: %s. Waiting up to %s for it ...\n", $0, wait
        said = 1; fflush()
    }'
}

# build_tree DIR [CMAKE OPTIONS...]: configures DIR with exactly these options, then builds what
# changed. When the options differ from the ones DIR was configured with, its cache is dropped
# and it is configured afresh, so an option left out falls back to its default; the objects stay,
# and only what the new options change is rebuilt.
build_tree() {
    local dir="$1"
    shift
    local options="$*"
    local stamp="$dir/qatutor-options.txt"
    if [ ! -f "$dir/build.ninja" ] || [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$options" ]; then
        rm -f "$dir/CMakeCache.txt"
        cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
        printf '%s' "$options" >"$stamp"
    fi
    cmake --build "$dir" -- -j"$(nproc)"
}

# What building the tutor needs (librsvg2-bin draws the icon's PNG sizes from its SVG; libicu-dev
# writes a name in Latin letters; zlib1g-dev unpacks the .zip archives the inbox reads); the tests
# need TEST_PACKAGES besides (clang-format-14 checks the code's shape against .clang-format).
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgl-dev librsvg2-bin libicu-dev zlib1g-dev)
TEST_PACKAGES=(libgtest-dev clang-format-14)
