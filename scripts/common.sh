# Shared by run.sh and test.sh: installs missing Debian packages and builds incrementally.

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
    "${runner[@]}" apt-get update -qq
    "${runner[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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
# writes a name in Latin letters); the tests need TEST_PACKAGES besides (clang-format-14 checks the
# code's shape against .clang-format).
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgl-dev librsvg2-bin libicu-dev)
TEST_PACKAGES=(libgtest-dev clang-format-14)
