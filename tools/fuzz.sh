#!/usr/bin/env bash
# Runs every fuzzer for FUZZ_SECONDS (an hour by default) each, from the build in BUILD_DIR
# (build/), each growing its own corpus there; prints the executions and whether a crash was
# found, and fails when one was.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build}
seconds=${FUZZ_SECONDS:-3600}
# Each fuzzer with the seed directory the build writes for it and its longest input.
targets=("fuzz_service_answer corpus 2048" "fuzz_lenex_reader lenex-corpus 4096" "fuzz_sql_text sql-corpus 1024")

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DONDA_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j2 --target onda_fuzzers >/dev/null ||
    { echo "the fuzzers do not build (they need a clang with libFuzzer)" >&2; exit 2; }

status=0
for entry in "${targets[@]}"; do
    read -r name seeds max_len <<<"$entry"
    corpus="$build/fuzz/$name/corpus"
    log="$build/fuzz/$name/run.log"
    mkdir -p "$corpus"
    cp -n "$build/tests/fuzz/$seeds"/* "$corpus/" 2>/dev/null || true
    echo "== $name ($seconds s)"
    found=no
    # A slow input counts as a crash: a loop never ends on its own.
    # The sanitizer's allocator keeps much of what SQLite and Qt free (1.7 GB after ten minutes of
    # the SQL target, 54 MB without quarantine): an hour needs more than libFuzzer's 2 GB.
    if ! "$build/tests/fuzz/project/$name" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
        -rss_limit_mb=8192 -print_final_stats=1 -artifact_prefix="$build/fuzz/$name/" "$corpus" >"$log" 2>&1; then
        found=yes
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    echo "executions: ${runs:-?}, per second: ${rate:-?}, crash: $found"
    if [ "$found" = yes ]; then
        echo "see $log and $build/fuzz/$name/" "$(grep -m1 -o 'crash-[0-9a-f]*\|timeout-[0-9a-f]*' "$log" || true)"
    fi
done
exit $status
