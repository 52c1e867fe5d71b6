#!/usr/bin/env bash
# The demo: installs what is missing, builds, starts the reference central server with demo data
# on a free loopback port, prepares a demo program folder (demo-home/) pointing at it and starts
# TERVPalm there. Without a display the program runs under xvfb-run with the automatic
# command-line login and a guided tour of the export windows (the program saves a picture of
# each window into demo-home/shots/ and sends the export to demo-home/palmare/), then closes
# itself.
# Stopping the program stops the server; a second run reuses the folder and the server's data.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
DEMO_HOME="${DEMO_HOME:-$ROOT/demo-home}"

bash "$ROOT/scripts/setup.sh"
BUILD_DIR="$BUILD_DIR" bash "$ROOT/scripts/build.sh"

mkdir -p "$DEMO_HOME"
[ -f "$DEMO_HOME/tabelle.mdb" ] || cp "$BUILD_DIR/src/shell/tabelle.mdb" "$DEMO_HOME/"
[ -f "$DEMO_HOME/defaults.ini" ] || printf '[AGGIO]\r\nVERSION=3.2\r\n' > "$DEMO_HOME/defaults.ini"
# The device copy tool beside the program, copying onto the demo's device folder.
ln -sf "$BUILD_DIR/src/shell/RAPIFileCopy" "$DEMO_HOME/RAPIFileCopy" && mkdir -p "$DEMO_HOME/palmare"
grep -q '^\[PALMARE\]' "$DEMO_HOME/defaults.ini" || printf '[PALMARE]\r\nRADICE=%s\r\n' "$DEMO_HOME/palmare" >> "$DEMO_HOME/defaults.ini"

SERVER_LOG="$DEMO_HOME/terv-central.log"
"$BUILD_DIR/central/terv-central" --port 0 --db "$DEMO_HOME/central.db" --mode plain \
    --demo "${DEMO_PARCELS:-4000}" > "$SERVER_LOG" 2>&1 &
SERVER_PID=$!
stop_server() {
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
}
trap stop_server EXIT

for _ in $(seq 1 600); do
    grep -q '^demo user:' "$SERVER_LOG" 2>/dev/null && break
    kill -0 "$SERVER_PID" 2>/dev/null || { cat "$SERVER_LOG"; echo "demo: terv-central did not start" >&2; exit 1; }
    sleep 0.1
done
PORT="$(sed -n 's/^listening on \([0-9]*\)$/\1/p' "$SERVER_LOG")"
DEMO_USER="$(sed -n 's/^demo user: \([^ ]*\) password: .*$/\1/p' "$SERVER_LOG")"
DEMO_PASSWORD="$(sed -n 's/^demo user: [^ ]* password: \(.*\)$/\1/p' "$SERVER_LOG")"
[ -n "$PORT" ] && [ -n "$DEMO_USER" ] || { cat "$SERVER_LOG"; echo "demo: no port or user" >&2; exit 1; }

printf '[SERVER]\r\nLOCATION=http://127.0.0.1:%s/terv/\r\n[DEFAULT]\r\nUID=%s\r\n' \
    "$PORT" "$DEMO_USER" > "$DEMO_HOME/servers.dat"
# The installed tabelle.mdb is made from the same municipality list as the server's demo data:
# take the server's stamp so that the demo does not stop on the refresh message at first login.
if ! grep -q 'DATATABELLE' "$DEMO_HOME/defaults.ini"; then
    STAMP="$(python3 - "$PORT" <<'PY'
import json, sys, urllib.request
body = json.dumps({"user": "", "fields": 1, "sql":
    "SELECT VALORE FROM TERVVARIABILI WHERE VARIABILE='DATATABELLE'"}).encode()
req = urllib.request.Request(f"http://127.0.0.1:{sys.argv[1]}/terv/kovJsSQL?function=select",
                             data=body, headers={"Content-Type": "application/json"})
for line in urllib.request.urlopen(req, timeout=30).read().decode().splitlines():
    if line.startswith("R\tT"):
        print(line[3:])
PY
)"
    [ -n "$STAMP" ] && printf '[GISPARAMS]\r\nDATATABELLE=%s\r\n' "$STAMP" >> "$DEMO_HOME/defaults.ini"
fi
echo "terv-central: http://127.0.0.1:$PORT/terv/ (dati in $DEMO_HOME/central.db)"
echo "Utente demo: $DEMO_USER   Password: $DEMO_PASSWORD"

export TERVPALM_HOME="$DEMO_HOME"
PROGRAM="$BUILD_DIR/src/shell/tervpalm"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    "$PROGRAM"
else
    SHOTS="$DEMO_HOME/shots"
    echo "Nessun display: TERVPalm gira sotto xvfb-run con il login automatico e un giro guidato"
    echo "delle finestre di scarico; le schermate vanno in $SHOTS"
    rm -rf "$SHOTS" "$DEMO_HOME/palmare" "$DEMO_HOME/ricevuta.pdf" "$DEMO_HOME/ricevuta.png"
    mkdir -p "$DEMO_HOME/palmare"
    touch "$DEMO_HOME/.inizio-demo"
    TERVPALM_DEMO_SHOTS="$SHOTS" timeout "${DEMO_TIMEOUT_SECONDS:-180}" \
        xvfb-run -a -s "-screen 0 1280x800x24" "$PROGRAM" "${DEMO_USER}Þ${DEMO_PASSWORD}" || true
    [ -f "$SHOTS/fatto.txt" ] || { echo "demo: il giro guidato non si è concluso" >&2; exit 1; }
    echo "Schermate salvate:"
    ls "$SHOTS"/*.png
    CARD="$DEMO_HOME/palmare/Scheda di memoria/orvex"
    [ -f "$CARD/terv34bis_ppc.db" ] || { echo "demo: nessun dato inviato al palmare" >&2; exit 1; }
    echo "Dati inviati al palmare (prima scheda): $CARD"
    ls "$CARD"
    # The tour's last step rebuilds the receipt of export 901 from the server's return tables.
    RICEVUTA="$(find "$DEMO_HOME/tmp/palmare" -maxdepth 1 -name 'ricevuta901*.pdf' \
        -newer "$DEMO_HOME/.inizio-demo" | sort | tail -1)"
    [ -n "$RICEVUTA" ] || { echo "demo: la ricevuta non è stata generata" >&2; exit 1; }
    cp "$RICEVUTA" "$DEMO_HOME/ricevuta.pdf"
    pdftoppm -png -r 100 -f 1 -l 1 -singlefile "$DEMO_HOME/ricevuta.pdf" "$DEMO_HOME/ricevuta"
    echo "Ricevuta: $DEMO_HOME/ricevuta.pdf (prima pagina: $DEMO_HOME/ricevuta.png)"
fi
