#!/usr/bin/env bash
# Upload and download of one large file through the program's commands
# (bench_transfer_commands), plain and encrypted, over FTP and SFTP, against
# the curl command line moving the same file to the same servers in the same
# run. Prints seconds, ratios (program / curl) and the peak memory growth.
#   bench/transfer_compare.sh BUILD_DIR SERVERS_ENV [SIZE_MIB] [ROUNDS]
# The fastest of ROUNDS (default 2) counts on both sides: the machine is
# shared, and the minimum is the least disturbed figure.
# Goals: plain at most 1.5x curl, encrypted at most 2x, growth under 64 MiB.
set -euo pipefail
BUILD="$1"
ENV_FILE="$2"
SIZE_MIB="${3:-1024}"
ROUNDS="${4:-2}"
# shellcheck disable=SC1090
source "$ENV_FILE"
TOOL="$BUILD/bin/bench_transfer_commands"
[ -x "$TOOL" ] || { echo "build bench_transfer_commands first" >&2; exit 1; }

WORK="$(mktemp -d "${TMPDIR:-/tmp}/tarnholm-transfer-bench.XXXXXX")"
NAME="bench-transfer-$$"
REMOTE_DIR="$TARNHOLM_TEST_ROOT/$NAME"
cleanup() { rm -rf "$WORK" "$REMOTE_DIR"; }
trap cleanup EXIT
mkdir -p "$REMOTE_DIR" "$WORK/back"
chown "$TARNHOLM_TEST_USER:" "$REMOTE_DIR" 2>/dev/null || chmod 0777 "$REMOTE_DIR"
head -c "$((SIZE_MIB * 1024 * 1024))" /dev/urandom > "$WORK/payload.bin"
# Written out before the clock starts, so the first run does not pay for it.
sync
AUTH="$TARNHOLM_TEST_USER:$TARNHOLM_TEST_PASS"

seconds() {  # runs the command, prints its wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" -eq 1 ]; then echo "$2"; else echo "$1"; fi; }
same() { cmp -s "$WORK/payload.bin" "$1" || { echo "transfer corrupted: $1" >&2; exit 1; }; rm -f "$1"; }

# run NAME PROTOCOL PORT URL SERVER_FOLDER CURL_OPTIONS
run() {
  local name="$1" protocol="$2" port="$3" url="$4" folder="$5" opts="$6"
  local ref_up="" ref_down="" t round cipher up down growth best_up best_down peak out
  for round in $(seq 1 "$ROUNDS"); do
    # shellcheck disable=SC2086
    t=$(seconds curl -sS $opts --user "$AUTH" -T "$WORK/payload.bin" "$url/ref.bin"); ref_up=$(min "$ref_up" "$t")
    # shellcheck disable=SC2086
    t=$(seconds curl -sS $opts --user "$AUTH" -o "$WORK/back/ref.bin" "$url/ref.bin"); ref_down=$(min "$ref_down" "$t")
    cmp -s "$WORK/payload.bin" "$WORK/back/ref.bin" || { echo "curl corrupted the file" >&2; exit 1; }
    rm -f "$WORK/back/ref.bin" "$REMOTE_DIR/ref.bin"
  done
  for cipher in 0 1; do
    best_up=""; best_down=""; peak=0
    for round in $(seq 1 "$ROUNDS"); do
      out=$("$TOOL" "$protocol" "$port" "$TARNHOLM_TEST_USER" "$TARNHOLM_TEST_PASS" \
        "$WORK/payload.bin" "$folder" "$WORK/back" "$cipher")
      read -r up down growth <<<"$out"
      same "$WORK/back/payload.bin"
      rm -f "$REMOTE_DIR"/payload.bin*
      best_up=$(min "$best_up" "$up"); best_down=$(min "$best_down" "$down")
      [ "$growth" -gt "$peak" ] && peak=$growth
    done
    printf "%-5s %-9s up %6.2fs (curl %6.2fs) ratio %4.2f   down %6.2fs (curl %6.2fs) ratio %4.2f   peak growth %4d MiB\n" \
      "$name" "$([ "$cipher" -eq 1 ] && echo encrypted || echo plain)" \
      "$best_up" "$ref_up" "$(echo "$best_up / $ref_up" | bc -l)" \
      "$best_down" "$ref_down" "$(echo "$best_down / $ref_down" | bc -l)" "$((peak / 1024))"
  done
}

echo "File of $SIZE_MIB MiB; the program's commands vs the curl command line"
run FTP 1 "$TARNHOLM_FTP_PORT" "ftp://127.0.0.1:$TARNHOLM_FTP_PORT/$NAME" "/$NAME/" ""
run SFTP 2 "$TARNHOLM_SFTP_PORT" "sftp://127.0.0.1:$TARNHOLM_SFTP_PORT$REMOTE_DIR" "$REMOTE_DIR/" "-k"
