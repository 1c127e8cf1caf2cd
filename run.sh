#!/usr/bin/env bash
# Installs what is missing, builds qatutor and starts it. The build folder, build/, is the
# program's own; ./test.sh builds with its tests in build-test/, so neither rebuilds the other's.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}"
build_tree build -DQATUTOR_TESTS=OFF
exec build/qatutor "$@"
