#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/build.sh"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" "$@"
