#!/usr/bin/env bash
# Sets up, builds and runs every test; then the tests that drive the program during its waits
# once more, in a build made with AddressSanitizer.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/build.sh"
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" "$@"

if [ "${ONDA_SKIP_ASAN:-}" != 1 ]; then
    asan_tests=(tst_operations tst_mail_window tst_service_flows)
    cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DONDA_SANITIZE=address -DONDA_BUILD_BENCH=OFF >/dev/null
    cmake --build "$root/build-asan" -j"$(nproc)" --target "${asan_tests[@]}"
    cd "$root/build-asan"
    # Qt and fontconfig keep caches until exit: only faults count here, not leaks.
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
        ctest --output-on-failure -R "^($(IFS='|'; echo "${asan_tests[*]}"))\$"
fi
