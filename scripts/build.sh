#!/usr/bin/env bash
# Installs what is missing, builds the release preset, and runs the zelu tool
# on an example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh
cmake --preset release
cmake --build --preset release
echo
echo '$ printf "Hello, zelu" | build/release/bin/zelu hex encode'
printf "Hello, zelu" | build/release/bin/zelu hex encode
