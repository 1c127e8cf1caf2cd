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

# build_tree DIR [CMAKE OPTIONS...]: configures DIR once, then builds what changed.
build_tree() {
    local dir="$1"
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    fi
    cmake --build "$dir" -- -j"$(nproc)"
}

# librsvg2-bin draws the icon's PNG sizes from its SVG.
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev librsvg2-bin)
