# The demo set-up shared by scripts/run --demo and scripts/screenshots: the
# project's own test servers with sample files, and a demo folder holding an
# ftp.ini with one profile per protocol. Source after scripts/lib/common.sh.
#   demo_require_root         ends the script with one clear line when root is out of reach
#   demo_start DEMO_DIR BIN   starts the servers, fills the server and DEMO_DIR
#   demo_stop                 stops the servers again (put it in an EXIT trap)

DEMO_SERVER_DIR=""

# Starting the servers adds a throwaway user account; that takes root.
demo_require_root() {
  [ "$(id -u)" -eq 0 ] && return 0
  command -v sudo >/dev/null 2>&1 && return 0
  echo "The demo starts its own FTP, FTPS and SFTP servers with a throwaway user account, which needs root: run it as root or install sudo." >&2
  exit 1
}

demo_sudo() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

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
  demo_ini_line "HostUser = $TARNHOLM_TEST_USER"
  demo_ini_line "HostPass = $(demo_password_form "$TARNHOLM_TEST_PASS")"
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
    demo_ini_profile "Demo 1 FTP" 1 "$TARNHOLM_FTP_PORT" / \
      "ftp://127.0.0.1:$TARNHOLM_FTP_PORT" 1
    demo_ini_profile "Demo 2 SFTP" 2 "$TARNHOLM_SFTP_PORT" "$TARNHOLM_TEST_ROOT/" \
      "sftp://127.0.0.1:$TARNHOLM_SFTP_PORT" 1
    demo_ini_profile "Demo 3 FTPS implizit" 3 "$TARNHOLM_FTPS_IMPLICIT_PORT" / \
      "ftps://127.0.0.1:$TARNHOLM_FTPS_IMPLICIT_PORT" 0
    demo_ini_profile "Demo 4 FTPS explizit" 4 "$TARNHOLM_FTP_PORT" / \
      "ftp://127.0.0.1:$TARNHOLM_FTP_PORT" 0
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

demo_start() {
  local demo_dir="$1" bin="$2"
  DEMO_SERVER_DIR="$(mktemp -d /tmp/tarnholm-demo-servers.XXXXXX)"
  "$ROOT/tests/servers/start" "$DEMO_SERVER_DIR"
  # shellcheck disable=SC1091
  source "$DEMO_SERVER_DIR/servers.env"

  DEMO_KEY="$(demo_key_text)"
  DEMO_LOCAL="$demo_dir/Eigene Dateien"
  mkdir -p "$DEMO_LOCAL"
  printf '%s\n' "$DEMO_KEY" > "$demo_dir/demo-key.txt"
  demo_local_files "$DEMO_LOCAL"

  local staging f
  staging="$(mktemp -d /tmp/tarnholm-demo-files.XXXXXX)"
  demo_server_files "$staging"
  for f in "$staging"/geheim/*; do
    "$bin/tarnholm-crypt" encrypt "$f" "$staging/$(basename "$f").aes" --key-file "$demo_dir/demo-key.txt" >/dev/null
  done
  rm -rf "$staging/geheim"
  # The server's user owns its home and everything in it.
  demo_sudo cp -r "$staging/." "$TARNHOLM_TEST_ROOT/"
  demo_sudo chown -R "$TARNHOLM_TEST_USER:" "$TARNHOLM_TEST_ROOT"
  rm -rf "$staging"

  demo_write_ini "$demo_dir/ftp.ini"
}

demo_stop() {
  [ -n "$DEMO_SERVER_DIR" ] || return 0
  "$ROOT/tests/servers/stop" "$DEMO_SERVER_DIR" >/dev/null 2>&1 || true
  demo_sudo rm -rf "$DEMO_SERVER_DIR"
  DEMO_SERVER_DIR=""
}
