#!/usr/bin/env bash
# Builds the release preset (installing what is missing) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release "$@"
