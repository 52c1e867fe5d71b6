#!/usr/bin/env bash
# Configures and builds everything (program, reference server, tools, tests) into build/.
# BUILD_DIR and BUILD_TYPE may be set to build elsewhere or otherwise.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
