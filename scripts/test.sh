#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
#   bash scripts/test.sh              plain build in build/
#   bash scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in
#                                     build-asan/; the first error or leak fails its test
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SANITIZE=0
for arg in "$@"; do
  case "$arg" in
    --sanitize) SANITIZE=1 ;;
    *) echo "usage: $0 [--sanitize]" >&2; exit 2 ;;
  esac
done

bash "$ROOT/scripts/setup.sh"
if [ "$SANITIZE" -eq 1 ]; then
  BUILD_DIR="${BUILD_DIR:-$ROOT/build-asan}"
  cmake -S "$ROOT" -B "$BUILD_DIR" -DTERV_SANITIZE=ON >/dev/null
  # Leaks inside the uninstrumented system libraries' global state are listed in the
  # suppressions; everything else stops the test that caused it.
  SUPP="$ROOT/cmake/sanitizers"
  export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:print_stacktrace=1"
  export LSAN_OPTIONS="suppressions=$SUPP/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$SUPP/ubsan.supp"
else
  BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
fi
BUILD_DIR="$BUILD_DIR" bash "$ROOT/scripts/build.sh"
cd "$BUILD_DIR"
ctest --output-on-failure -j"$(nproc)" --timeout 600
