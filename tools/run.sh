#!/usr/bin/env bash
# Sets up, builds and starts the program. Arguments go to the program (a service address or "debug").
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/build.sh"
exec "$root/build/ONDA_link" "$@"
