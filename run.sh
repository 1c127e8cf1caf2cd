#!/usr/bin/env bash
# Installs what is missing, builds qatutor and starts it.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/common.sh

ensure_packages "${BUILD_PACKAGES[@]}"
build_tree build -DQATUTOR_TESTS=OFF
exec build/qatutor "$@"
