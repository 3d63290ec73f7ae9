#!/usr/bin/env bash
# Builds and runs every benchmark, each at 1x and 10x of a national championship; the tables
# they end with are gathered in build/bench/summary.txt and printed last.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
benches=(bench_startup bench_store bench_archive bench_workspace bench_registration bench_entry bench_reports bench_import
    bench_deposit bench_lenex bench_checks bench_browser)
bash "$root/tools/build.sh" "${benches[@]}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
summary="$root/build/bench/summary.txt"
: >"$summary"
status=0
for bench in "${benches[@]}"; do
    echo "== $bench"
    log="$root/build/bench/$bench.log"
    start=$(date +%s)
    if ! "$root/build/bench/$bench" "$@" >"$log" 2>&1; then
        echo "$bench failed: see $log" | tee -a "$summary"
        status=1
    fi
    # The table (or the memory lines) each benchmark ends with.
    awk '/medians in ms\)$/ {keep = 1} /VmRSS|program .* kB|results import|unexpected|results file|invitation of/ {print; next} keep' "$log" \
        | tee -a "$summary"
    echo "($bench: $(($(date +%s) - start)) s)" | tee -a "$summary"
done
echo
echo "== summary ($summary)"
cat "$summary"
exit $status
