#!/usr/bin/env bash
# Builds everything (installing what is missing) and runs every test.
set -eu
. "$(dirname "$0")/scripts/bootstrap.sh"

orva_install_packages
orva_build

export QT_QPA_PLATFORM=offscreen
cd "$ORVA_BUILD_DIR"
ctest --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" "$@"
