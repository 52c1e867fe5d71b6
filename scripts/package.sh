#!/usr/bin/env bash
# Builds the Debian packages tervpalm and terv-central into dist/: installs what is missing,
# builds everything into build/ (as scripts/build.sh does), then runs CPack's DEB generator.
# BUILD_DIR and DIST_DIR may name other folders; --no-build packages the existing build as it is.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
DIST_DIR="${DIST_DIR:-$ROOT/dist}"

if [ "${1:-}" != "--no-build" ]; then
    bash "$ROOT/scripts/setup.sh"
    BUILD_DIR="$BUILD_DIR" bash "$ROOT/scripts/build.sh"
fi
[ -f "$BUILD_DIR/CPackConfig.cmake" ] || { echo "package: no build in $BUILD_DIR" >&2; exit 1; }
mkdir -p "$DIST_DIR"
cpack --config "$BUILD_DIR/CPackConfig.cmake" -B "$DIST_DIR" >/dev/null
rm -rf "$DIST_DIR/_CPack_Packages"
ls "$DIST_DIR"/tervpalm_*.deb "$DIST_DIR"/terv-central_*.deb
