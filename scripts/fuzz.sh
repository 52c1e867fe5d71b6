#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs one of them, or all in turn,
# for the given number of seconds each:  bash scripts/fuzz.sh TARGET|all SECONDS
# Targets: oracle_sql record_stream private_profile bmp_reader jet_sql.
# Each run starts from the seeds in fuzz/corpus/<target>/ and grows a working corpus in
# build-fuzz/corpus/<target>/; a crash is written to build-fuzz/crashes/<target>/ and stops the run.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build-fuzz}"
TARGETS=(oracle_sql record_stream private_profile bmp_reader jet_sql)

if [ $# -ne 2 ] || ! [[ "$2" =~ ^[0-9]+$ ]]; then
  echo "usage: $0 TARGET|all SECONDS   (targets: ${TARGETS[*]})" >&2
  exit 2
fi
if [ "$1" = all ]; then
  selected=("${TARGETS[@]}")
elif [[ " ${TARGETS[*]} " == *" $1 "* ]]; then
  selected=("$1")
else
  echo "fuzz: unknown target $1 (targets: ${TARGETS[*]})" >&2
  exit 2
fi

bash "$ROOT/scripts/setup.sh"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTERV_FUZZ=ON >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target "${selected[@]/#/fuzz_}"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1:print_stacktrace=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
for t in "${selected[@]}"; do
  corpus="$BUILD_DIR/corpus/$t"
  crashes="$BUILD_DIR/crashes/$t"
  mkdir -p "$corpus" "$crashes"
  echo "fuzz: $t for $2 s"
  "$BUILD_DIR/fuzz/fuzz_$t" "$corpus" "$ROOT/fuzz/corpus/$t" -max_total_time="$2" \
    -max_len=4096 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$crashes/"
done
