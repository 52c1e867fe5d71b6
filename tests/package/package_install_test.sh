#!/usr/bin/env bash
# The Debian packages of this build: scripts/package.sh packs them without building again, lintian
# (when installed) finds no error, and both are unpacked into a scratch root. The unpacked
# tervpalm, started without TERVPALM_HOME, lays out its per-user folder at first start; the copy
# tool linked there reads that folder's settings; with the user's own server address written
# there, the program logs in to the unpacked terv-central.
# Usage: package_install_test.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
SOURCE_DIR="$1"
BUILD_DIR="$2"
SCRATCH="$(mktemp -d)"
ROOT="$SCRATCH/root"
USER_HOME="$SCRATCH/home"
FOLDER="$USER_HOME/.local/share/tervpalm"
PROGRAM_PID=""
SERVER_PID=""

cleanup() {
    for pid in $PROGRAM_PID $SERVER_PID; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$SCRATCH"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# Polls a condition; gives up after 60 seconds (a guard against a hang, not a timing).
wait_for() {
    for _ in $(seq 600); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
start_program() {
    env -u TERVPALM_HOME -u XDG_DATA_HOME HOME="$USER_HOME" QT_QPA_PLATFORM=offscreen \
        "$ROOT/usr/bin/tervpalm" "$@" &
    PROGRAM_PID=$!
}
# The program ends through its shutdown on SIGTERM.
stop_program() {
    kill -TERM "$PROGRAM_PID"
    local code=0
    wait "$PROGRAM_PID" || code=$?
    PROGRAM_PID=""
    [ "$code" -eq 143 ] || fail "tervpalm ended with $code after SIGTERM"
}

BUILD_DIR="$BUILD_DIR" DIST_DIR="$SCRATCH/dist" bash "$SOURCE_DIR/scripts/package.sh" --no-build
if command -v lintian >/dev/null; then
    lintian --fail-on error "$SCRATCH"/dist/*.deb || fail "lintian reports errors"
else
    echo "lintian not installed: its check is skipped"
fi
mkdir -p "$ROOT" "$USER_HOME"
for deb in "$SCRATCH"/dist/*.deb; do dpkg-deb -x "$deb" "$ROOT"; done

# First start: the per-user folder, its work folders, the installed files, the helper's link.
start_program
wait_for test -f "$FOLDER/tmp/fglc/zipagg/leggimi.txt" || fail "no work folders in $FOLDER"
for file in tabelle.mdb defaults.ini servers.dat; do
    cmp "$ROOT/usr/share/tervpalm/$file" "$FOLDER/$file" || fail "$file not copied"
done
for tool in RAPIFileCopy loadfoto; do
    [ "$(readlink "$FOLDER/$tool")" = "$ROOT/usr/bin/$tool" ] ||
        fail "$tool is not a link to the installed tool"
done
[ -x "$ROOT/usr/bin/palmsim" ] || fail "palmsim is not in the package"
stop_program

"$ROOT/usr/bin/terv-central" --port 0 --db "$SCRATCH/central.db" --demo 200 \
    >"$SCRATCH/server.log" 2>&1 &
SERVER_PID=$!
wait_for grep -q '^demo user:' "$SCRATCH/server.log" || fail "terv-central did not start"
PORT="$(sed -n 's/^listening on \([0-9]*\)$/\1/p' "$SCRATCH/server.log")"

# The user's own settings: their server, and the stamp of the demo data's municipality tables
# (which the installed tabelle.mdb already holds), so that the login does not stop at a notice.
printf '[SERVER]\r\nLOCATION=http://127.0.0.1:%s/terv/\r\n' "$PORT" >"$FOLDER/servers.dat"
printf '[GISPARAMS]\r\nDATATABELLE=20260101000000\r\n' >>"$FOLDER/defaults.ini"
# The linked copy tool reads the device root from the per-user defaults.ini.
mkdir -p "$SCRATCH/device"
printf '[PALMARE]\r\nRADICE=%s\r\n' "$SCRATCH/device" >>"$FOLDER/defaults.ini"
env -u TERVPALM_HOME -u TERVPALM_DEVICE_ROOT "$FOLDER/RAPIFileCopy" /q "$FOLDER/servers.dat" \
    '\Scheda di memoria\prova\' || fail "RAPIFileCopy through its link failed"
cmp "$FOLDER/servers.dat" "$SCRATCH/device/Scheda di memoria/prova/servers.dat" ||
    fail "RAPIFileCopy did not copy onto the device root of the per-user defaults.ini"
start_program "DEMOÞdemo"
# A successful login writes the user name to servers.dat before the main window opens.
wait_for grep -q '^UID=DEMO' "$FOLDER/servers.dat" || fail "no login to terv-central"
grep -q "^LOCATION=http://127.0.0.1:$PORT/terv/" "$FOLDER/servers.dat" ||
    fail "the user's servers.dat was overwritten"
stop_program
[ "$(ls "$FOLDER/tmp/fglc")" = "$(printf 'map\nzipagg')" ] ||
    fail "work folder not emptied at the end"
echo "packages install and run"
