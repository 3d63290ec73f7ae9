#!/usr/bin/env bash
# Sets up, builds the program alone and starts it. Arguments go to the program (a service
# address or "debug").
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/build.sh" ONDA_link
exec "$root/build/ONDA_link" "$@"
