#!/usr/bin/env bash
# The demo: installs what is missing, builds, prepares a demo program folder and starts TERVPalm
# there. (The reference server with demo data and the login join as they are built.)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
DEMO_HOME="${DEMO_HOME:-$ROOT/demo-home}"
bash "$ROOT/scripts/setup.sh"
BUILD_DIR="$BUILD_DIR" bash "$ROOT/scripts/build.sh"
mkdir -p "$DEMO_HOME"
TERVPALM_HOME="$DEMO_HOME" "$BUILD_DIR/src/shell/tervpalm"
