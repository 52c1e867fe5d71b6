#!/usr/bin/env bash
# The demo: installs what is missing, builds, starts the reference central server with demo data
# on a free loopback port, prepares a demo program folder (demo-home/) pointing at it and starts
# TERVPalm there, logged in. Without a display, or with --scenario, it goes round the whole loop
# by itself (under xvfb-run without a display): a guided export of two municipalities sent to the
# device folder demo-home/palmare/, the handheld simulator's surveys, a guided return with the
# upload and the receipt, the photo loader; then it prints what reached the server. The program
# saves a picture of each window it passes through into demo-home/shots/.
# Stopping the program stops the server; a second run reuses the folder and the server's data.
set -euo pipefail
SCENARIO=0
for arg in "$@"; do
    case "$arg" in
        --scenario) SCENARIO=1 ;;
        *) echo "uso: bash scripts/demo.sh [--scenario]" >&2; exit 2 ;;
    esac
done
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
DEMO_HOME="${DEMO_HOME:-$ROOT/demo-home}"

bash "$ROOT/scripts/setup.sh"
BUILD_DIR="$BUILD_DIR" bash "$ROOT/scripts/build.sh"

mkdir -p "$DEMO_HOME"
[ -f "$DEMO_HOME/tabelle.mdb" ] || cp "$BUILD_DIR/src/shell/tabelle.mdb" "$DEMO_HOME/"
[ -f "$DEMO_HOME/defaults.ini" ] || printf '[AGGIO]\r\nVERSION=3.2\r\n' > "$DEMO_HOME/defaults.ini"
# The device copy tool and the photo loader beside the program; the copy tool writes onto the
# demo's device folder.
ln -sf "$BUILD_DIR/src/shell/RAPIFileCopy" "$DEMO_HOME/RAPIFileCopy" && mkdir -p "$DEMO_HOME/palmare"
ln -sf "$BUILD_DIR/src/shell/loadfoto" "$DEMO_HOME/loadfoto"
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
LOGIN="${DEMO_USER}Þ${DEMO_PASSWORD}"
HEADLESS=1
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && HEADLESS=0
if [ "$HEADLESS" = 0 ] && [ "$SCENARIO" = 0 ]; then
    "$PROGRAM" "$LOGIN"
    exit 0
fi

SHOTS="$DEMO_HOME/shots"
SQL() { sqlite3 -readonly "$DEMO_HOME/central.db" "$1"; }
TABLES=(PALMR_PART_DICH PALMR_UTIL_RILE PALMR_FAG_RILE PALMR_NORME_RILE PALMR_FOTO_RILE PALMR_FOTO_FILE)
step() { printf '[%s +%3ds] %s\n' "$(date +%H:%M:%S)" "$SECONDS" "$*"; }
fail() { echo "demo: $*" >&2; exit 1; }
count_rows() { SQL "SELECT count(*) FROM $1" 2>/dev/null || echo 0; }
# One run of the program with the guided tour's part $1; the tour writes fatto.txt when done.
# What the program and the photo loader it starts print goes to demo-home/log/demo-$1.log.
run_tour() {
    local cmd=("$PROGRAM" "$LOGIN") out="$DEMO_HOME/log/demo-$1.log"
    [ "$HEADLESS" = 1 ] && cmd=(xvfb-run -a -s "-screen 0 1280x800x24" "${cmd[@]}")
    rm -f "$SHOTS/fatto.txt"
    TERVPALM_DEMO_SHOTS="$SHOTS" TERVPALM_DEMO_PART="$1" \
        timeout "${DEMO_TIMEOUT_SECONDS:-300}" "${cmd[@]}" > "$out" 2>&1 || true
    [ -f "$SHOTS/fatto.txt" ] || { tail -20 "$out"; fail "il giro guidato ($1) non si è concluso"; }
}

[ "$HEADLESS" = 1 ] && echo "Nessun display: TERVPalm gira sotto xvfb-run con il login automatico."
echo "Giro guidato completo; le schermate vanno in $SHOTS"
rm -rf "$SHOTS" "$DEMO_HOME/palmare" "$DEMO_HOME/ricevuta.pdf" "$DEMO_HOME/ricevuta.png"
mkdir -p "$DEMO_HOME/palmare" "$SHOTS" "$DEMO_HOME/log"

step "1. Scarico di due comuni con le foto e invio al palmare ($DEMO_HOME/palmare)"
run_tour scarico
CARD="$DEMO_HOME/palmare/Scheda di memoria/orvex"
[ -f "$CARD/terv34bis_ppc.db" ] || fail "nessun dato inviato al palmare"
NUME_SCAR="$(SQL "SELECT max(NUME_SCAR) FROM PALM_SCARICHI WHERE UTENTE_SCARICO='$DEMO_USER'")"
echo "   scarico $NUME_SCAR sul palmare: $(cd "$CARD" && echo *)"

step "2. Rilievi in campo simulati: palmsim --root $DEMO_HOME/palmare --card 0"
"$BUILD_DIR/src/shell/palmsim" --root "$DEMO_HOME/palmare" --card 0 > "$DEMO_HOME/palmsim.json" ||
    fail "palmsim non riuscito"
python3 - "$DEMO_HOME/palmsim.json" <<'PY'
import json, sys
comuni = json.load(open(sys.argv[1]))["comuni"]
rows = {t: sum(c[t] for c in comuni) for t in ("PART_DICH", "UTIL_RILE", "FAG_RILE", "NORME_RILE")}
photos = [p for c in comuni for p in c["photos"]]
print("   rilevati:", ", ".join(f"{t} {n}" for t, n in rows.items()),
      f"; file foto {len(photos)}, con immagine {sum(p['picture'] for p in photos)}")
PY
echo "   riepilogo del simulatore: $DEMO_HOME/palmsim.json"

declare -A BEFORE
for t in "${TABLES[@]}"; do BEFORE[$t]="$(count_rows "$t")"; done
LOADFOTO_LOG="$DEMO_HOME/log/loadfoto.log"
loadfoto_runs() {
    local n
    n="$(grep -ac 'Foto trovate:' "$LOADFOTO_LOG" 2>/dev/null)" || true
    echo "${n:-0}"
}
LOADFOTO_RUNS="$(loadfoto_runs)"
touch "$DEMO_HOME/.inizio-rientro"
step "3. Rientro dal palmare: \"Recupera dati dal palmare\" (fusione, caricamento, ricevuta)"
run_tour rientro

step "4. Caricamento delle foto (loadfoto, avviato dal programma)"
for _ in $(seq 1 600); do
    [ "$(loadfoto_runs)" -gt "$LOADFOTO_RUNS" ] && break
    sleep 0.2
done
[ "$(loadfoto_runs)" -gt "$LOADFOTO_RUNS" ] || fail "loadfoto non ha finito"
echo "   $(grep -a 'Foto trovate:' "$LOADFOTO_LOG" | tail -1 | cut -d' ' -f2- | iconv -f CP1252 -t UTF-8 | tr -d '\r')"

step "5. Ricevuta del rientro"
RICEVUTA="$(find "$DEMO_HOME/tmp/palmare" -maxdepth 1 -name "ricevuta${NUME_SCAR}*.pdf" \
    -newer "$DEMO_HOME/.inizio-rientro" | sort | tail -1)"
[ -n "$RICEVUTA" ] || fail "la ricevuta non è stata generata"
cp "$RICEVUTA" "$DEMO_HOME/ricevuta.pdf"
pdftoppm -png -r 100 -f 1 -l 1 -singlefile "$DEMO_HOME/ricevuta.pdf" "$DEMO_HOME/ricevuta"

echo
echo "Riepilogo"
echo "   particelle scaricate (scarico $NUME_SCAR): $(SQL "SELECT count(*) FROM TERVPLAV WHERE NUME_SCAR_PALM=$NUME_SCAR AND LAST=1")"
echo "   righe sul server (in totale, e arrivate con questo rientro):"
for t in "${TABLES[@]}"; do
    after="$(count_rows "$t")"
    printf '     %-17s %6d  (+%d)\n' "$t" "$after" "$((after - BEFORE[$t]))"
done
echo "   ricevuta: $DEMO_HOME/ricevuta.pdf ($(pdfinfo "$DEMO_HOME/ricevuta.pdf" 2>/dev/null |
    sed -n 's/^Pages: *//p') pagine; prima pagina: $DEMO_HOME/ricevuta.png)"
echo "   schermate: $(ls "$SHOTS"/*.png | wc -l) in $SHOTS"
step "Fine"
