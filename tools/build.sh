#!/usr/bin/env bash
# Installs what is missing, then configures and builds into build/: the targets named as
# arguments, or everything (program, tests, benchmarks, fuzzers) when none is named.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ $# -gt 0 ]; then
    cmake --build "$root/build" -j"$(nproc)" --target "$@"
else
    cmake --build "$root/build" -j"$(nproc)"
fi
