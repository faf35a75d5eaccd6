# shellcheck shell=bash
# The demo set-up shared by scripts/run --demo and scripts/screenshots: FTP,
# FTPS and SFTP servers of its own (scripts/demo/servers.py), run as the
# current user for one virtual user, with sample files on the server, and a
# demo folder holding an ftp.ini with one profile per protocol. Needs neither
# root nor a user account. Source after scripts/lib/common.sh, with
# DEMO_PACKAGES installed.
#   demo_start DEMO_DIR BIN   starts the servers, fills the server and DEMO_DIR
#   demo_stop                 stops the servers again (put it in an EXIT trap)

DEMO_SERVER_DIR=""
DEMO_SERVER_PID=""

# 48 random bytes as key text: two upper-case hex digits each, single blanks.
demo_key_text() {
  od -An -N48 -tx1 /dev/urandom | tr -s ' \n' '  ' | sed 's/^ *//; s/ *$//' | tr a-f A-F
}

# The stored form of a password: Base64 of its UTF-8 bytes and one zero byte,
# reversed character by character.
demo_password_form() {
  [ -z "$1" ] && return 0
  local b64 out="" i
  b64="$(printf '%s\0' "$1" | base64 -w0)"
  for ((i = ${#b64} - 1; i >= 0; i--)); do out+="${b64:i:1}"; done
  printf '%s' "$out"
}

# demo_ini_line TEXT: one line of ftp.ini, ended by CR LF.
demo_ini_line() { printf '%s\r\n' "$1"; }

# demo_ini_profile NAME PROTOCOL PORT HOSTFOLDER LINK USECIPHER
demo_ini_profile() {
  demo_ini_line ""
  demo_ini_line "[$1]"
  demo_ini_line "LocalFolder = $DEMO_LOCAL/"
  demo_ini_line "HostFolder = $4"
  demo_ini_line "DnLdFolder = $5"
  demo_ini_line "Protocol = $2"
  demo_ini_line "HostURL = 127.0.0.1"
  demo_ini_line "HostPort = $3"
  demo_ini_line "HostUser = $DEMO_USER"
  demo_ini_line "HostPass = $(demo_password_form "$DEMO_PASS")"
  demo_ini_line "UseCipher = $6"
  demo_ini_line "CipherCode = $DEMO_KEY"
}

demo_write_ini() {
  {
    printf '\xEF\xBB\xBF\r\n'
    demo_ini_line "[Global]"
    demo_ini_line "selProfile = Demo 1 FTP"
    demo_ini_line "TextLocal = PC"
    demo_ini_line "TextHost = Demo-Server"
    demo_ini_line "Overwrite = 0"
    demo_ini_line "TooltipsOff = 0"
    demo_ini_line "AppPathForTemp = 1"
    # No name is part of another: profile names are looked up as substrings.
    demo_ini_profile "Demo 1 FTP" 1 "$DEMO_FTP_PORT" / "ftp://127.0.0.1:$DEMO_FTP_PORT" 1
    demo_ini_profile "Demo 2 SFTP" 2 "$DEMO_SFTP_PORT" / "sftp://127.0.0.1:$DEMO_SFTP_PORT" 1
    demo_ini_profile "Demo 3 FTPS implizit" 3 "$DEMO_FTPS_IMPLICIT_PORT" / \
      "ftps://127.0.0.1:$DEMO_FTPS_IMPLICIT_PORT" 0
    demo_ini_profile "Demo 4 FTPS explizit" 4 "$DEMO_FTP_PORT" / "ftp://127.0.0.1:$DEMO_FTP_PORT" 0
  } > "$1"
}

# demo_text FILE LINE...: a small text file.
demo_text() {
  local file="$1"; shift
  mkdir -p "$(dirname "$file")"
  printf '%s\n' "$@" > "$file"
}

# The files the demo server holds; files under geheim/ go up encrypted as .aes.
demo_server_files() {
  local dir="$1"
  demo_text "$dir/Willkommen.txt" \
    "Willkommen bei der Tarnholm-Demo." \
    "Dieser Server läuft nur, solange Tarnholm geöffnet ist." \
    "Die .aes-Dateien sind mit dem Demo-Schlüssel verschlüsselt; Tarnholm entschlüsselt sie beim Herunterladen."
  demo_text "$dir/Berichte/Quartal 1.csv" "Monat;Umsatz" "Januar;1200" "Februar;1350" "März;1410"
  demo_text "$dir/Berichte/Quartal 2.csv" "Monat;Umsatz" "April;1500" "Mai;1480" "Juni;1620"
  demo_text "$dir/Protokoll März.txt" "Besprechung am 12. März: alle Punkte erledigt."
  mkdir -p "$dir/Bilder"
  cp "$ROOT/packaging/icons/hicolor/128x128/apps/tarnholm.png" "$dir/Bilder/Tarnholm.png"
  demo_text "$dir/geheim/Vertrag.txt" \
    "Vertrag zwischen der Demo GmbH und dem Demo-Kunden." \
    "Nur mit dem Schlüssel aus dem Demo-Ordner lesbar."
  demo_text "$dir/geheim/Kundenliste.csv" "Name;Ort" "Anna Beispiel;Kiel" "Bernd Muster;Passau"
}

# The user's own files, shown in the left list.
demo_local_files() {
  local dir="$1"
  demo_text "$dir/Notizen.txt" "Ideen für die nächste Woche." "Demo ausprobieren: hochladen, herunterladen, umbenennen."
  demo_text "$dir/Angebot.txt" "Angebot Nr. 4711 über 250 Demo-Artikel."
  demo_text "$dir/Reise/Packliste.txt" "Zahnbürste" "Ladekabel" "USB-Stick mit Tarnholm"
  demo_text "$dir/Rezept.txt" "Zwei Teile Mehl, ein Teil Geduld; wird beim Hochladen verschlüsselt."
}

# demo_start DEMO_DIR BIN: BIN holds tarnholm-crypt.
demo_start() {
  local demo_dir="$1" bin="$2"
  DEMO_SERVER_DIR="$(mktemp -d -t tarnholm-demo-servers.XXXXXX)"
  local root="$DEMO_SERVER_DIR/root"

  DEMO_KEY="$(demo_key_text)"
  DEMO_LOCAL="$demo_dir/Eigene Dateien"
  mkdir -p "$DEMO_LOCAL"
  printf '%s\n' "$DEMO_KEY" > "$demo_dir/demo-key.txt"
  demo_local_files "$DEMO_LOCAL"

  local f
  demo_server_files "$root"
  for f in "$root"/geheim/*; do
    "$bin/tarnholm-crypt" encrypt "$f" "$root/$(basename "$f").aes" --key-file "$demo_dir/demo-key.txt" >/dev/null
  done
  rm -rf "$root/geheim"

  # The servers end with this shell, should it end without demo_stop.
  /usr/bin/python3 "$ROOT/scripts/demo/servers.py" "$DEMO_SERVER_DIR" "$$" >"$DEMO_SERVER_DIR/servers.log" 2>&1 &
  DEMO_SERVER_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -f "$DEMO_SERVER_DIR/servers.env" ] && break
    if ! kill -0 "$DEMO_SERVER_PID" 2>/dev/null; then
      cat "$DEMO_SERVER_DIR/servers.log" >&2
      echo "The demo servers did not start (see above)." >&2
      return 1
    fi
    sleep 0.1
  done
  if [ ! -f "$DEMO_SERVER_DIR/servers.env" ]; then
    echo "The demo servers did not report ready within 10 seconds." >&2
    return 1
  fi
  # shellcheck disable=SC1091
  source "$DEMO_SERVER_DIR/servers.env"
  demo_write_ini "$demo_dir/ftp.ini"
}

# Runs under set -e, from an EXIT trap: no step may fail.
demo_stop() {
  if [ -n "$DEMO_SERVER_PID" ]; then
    kill -TERM "$DEMO_SERVER_PID" 2>/dev/null || true
    local i
    for i in $(seq 1 50); do
      kill -0 "$DEMO_SERVER_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill -KILL "$DEMO_SERVER_PID" 2>/dev/null || true
    wait "$DEMO_SERVER_PID" 2>/dev/null || true
    DEMO_SERVER_PID=""
  fi
  if [ -n "$DEMO_SERVER_DIR" ]; then
    rm -rf "$DEMO_SERVER_DIR"
    DEMO_SERVER_DIR=""
  fi
}
