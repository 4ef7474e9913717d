#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ (clang, ASan + UBSan) and runs
# each named target (default: all) for SECONDS.
#   scripts/fuzz.sh SECONDS [NAME...]     NAME: markup or fuzz_markup
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ ]]; then
    echo "usage: scripts/fuzz.sh SECONDS [NAME...]" >&2
    exit 2
fi
seconds=$1
shift
build=$root/build-fuzz

names=()
if [[ $# -eq 0 ]]; then
    for f in "$root"/fuzz/fuzz_*.cpp; do
        [[ -e $f ]] || continue
        n=$(basename "$f" .cpp)
        names+=("${n#fuzz_}")
    done
else
    for n in "$@"; do
        names+=("${n#fuzz_}")
    done
fi
if [[ ${#names[@]} -eq 0 ]]; then
    echo "no fuzz targets in fuzz/" >&2
    exit 2
fi
targets=()
for n in "${names[@]}"; do
    if [[ ! -f $root/fuzz/fuzz_$n.cpp ]]; then
        echo "no fuzz target fuzz/fuzz_$n.cpp" >&2
        exit 2
    fi
    targets+=("fuzz_$n")
done

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DQUILL_FUZZ=ON >/dev/null
nice -n 10 cmake --build "$build" --target "${targets[@]}" -j2

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for n in "${names[@]}"; do
    corpus=$build/corpus/$n
    crashes=$build/crashes/$n
    log=$build/fuzz_$n.log
    mkdir -p "$corpus" "$crashes"
    if [[ -d $root/fuzz/seeds/$n ]]; then
        cp -n "$root"/fuzz/seeds/"$n"/* "$corpus"/ 2>/dev/null || true
    fi
    echo "fuzz_$n: running for $seconds s (log: $log)"
    set +e
    nice -n 10 "$build/fuzz/fuzz_$n" -max_total_time="$seconds" -timeout=30 \
        -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" >"$log" 2>&1
    rc=$?
    set -e
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    [[ -n $execs ]] || execs=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n1)
    if [[ $rc -eq 0 ]]; then
        echo "fuzz_$n: ${execs:-?} executions in $seconds s, no crash"
    else
        echo "fuzz_$n: CRASHED after ${execs:-?} executions (exit $rc); see $log"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|artifact_prefix|Test unit written)' \
            "$log" | head -n 8 || true
        status=1
    fi
done
exit $status
