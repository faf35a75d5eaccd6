#!/usr/bin/env bash
# Upload and download of one large file through the FTP back end and, in the
# same run against the same servers, with the curl command line (lftp for
# SFTP); prints seconds and the ratio back end / reference per direction.
#   bench/backend_compare.sh BUILD_DIR SERVERS_ENV [SIZE_MIB] [ROUNDS]
# Each direction runs ROUNDS times (default 3), back end and reference taking
# turns, and the fastest of each counts: the machine is shared, so the minimum
# is the figure least disturbed by others. Goal: FTP and FTPS within 1.1x of curl.
set -euo pipefail
BUILD="$1"
ENV_FILE="$2"
SIZE_MIB="${3:-1024}"
ROUNDS="${4:-3}"
# shellcheck disable=SC1090
source "$ENV_FILE"
TOOL="$BUILD/bin/bench_backend_transfer"
[ -x "$TOOL" ] || { echo "build bench_backend_transfer first" >&2; exit 1; }

WORK="$(mktemp -d /tmp/tarnholm-bench.XXXXXX)"
REMOTE_DIR="$TARNHOLM_TEST_ROOT/bench-$$"
cleanup() { rm -rf "$WORK" "$REMOTE_DIR"; }
trap cleanup EXIT
mkdir -p "$REMOTE_DIR"
chown "$TARNHOLM_TEST_USER:" "$REMOTE_DIR" 2>/dev/null || chmod 0777 "$REMOTE_DIR"
head -c "$((SIZE_MIB * 1024 * 1024))" /dev/urandom > "$WORK/source.bin"
AUTH="$TARNHOLM_TEST_USER:$TARNHOLM_TEST_PASS"
NAME="bench-$$/payload.bin"

timed() {  # prints the seconds the command took
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

check_same() {
  cmp -s "$WORK/source.bin" "$1" || { echo "transfer corrupted: $1" >&2; exit 1; }
  rm -f "$1"
}

min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" -eq 1 ]; then echo "$2"; else echo "$1"; fi; }

row() {  # name backend_up backend_down ref_up ref_down
  printf "%-14s up %7.2fs vs %7.2fs ratio %5.2f   down %7.2fs vs %7.2fs ratio %5.2f\n" \
    "$1" "$2" "$4" "$(echo "$2 / $4" | bc -l)" "$3" "$5" "$(echo "$3 / $5" | bc -l)"
}

# measure NAME PROTOCOL PORT REF_UP_CMD REF_DOWN_CMD: the commands are strings
# run by eval; they write the received file to $WORK/back.bin.
measure() {
  local name="$1" protocol="$2" port="$3" ref_up_cmd="$4" ref_down_cmd="$5"
  local best_ref_up="" best_ref_down="" best_up="" best_down="" t ours up down round
  for round in $(seq 1 "$ROUNDS"); do
    t=$(timed eval "$ref_up_cmd"); best_ref_up=$(min "$best_ref_up" "$t")
    t=$(timed eval "$ref_down_cmd"); best_ref_down=$(min "$best_ref_down" "$t")
    check_same "$WORK/back.bin"
    ours=$("$TOOL" "$protocol" "$port" "$TARNHOLM_TEST_USER" "$TARNHOLM_TEST_PASS" \
      "$WORK/source.bin" "$NAME" "$WORK/back.bin")
    check_same "$WORK/back.bin"
    read -r up down <<<"$ours"
    best_up=$(min "$best_up" "$up"); best_down=$(min "$best_down" "$down")
  done
  row "$name" "$best_up" "$best_down" "$best_ref_up" "$best_ref_down"
}

bench_curl() {  # name protocol port url_prefix curl_options...
  local name="$1" protocol="$2" port="$3" prefix="$4"; shift 4
  local opts="$*"
  measure "$name" "$protocol" "$port" \
    "curl -sS $opts --user '$AUTH' -T '$WORK/source.bin' '$prefix/$NAME'" \
    "curl -sS $opts --user '$AUTH' -o '$WORK/back.bin' '$prefix/$NAME'"
}

echo "File of $SIZE_MIB MiB; back end vs reference tool"
# The back end caps FTPS at TLS 1.2; the reference gets the same cap.
bench_curl FTP 1 "$TARNHOLM_FTP_PORT" "ftp://127.0.0.1:$TARNHOLM_FTP_PORT"
bench_curl FTPS-explicit 4 "$TARNHOLM_FTP_PORT" "ftp://127.0.0.1:$TARNHOLM_FTP_PORT" --ssl-reqd -k --tls-max 1.2
bench_curl FTPS-implicit 3 "$TARNHOLM_FTPS_IMPLICIT_PORT" "ftps://127.0.0.1:$TARNHOLM_FTPS_IMPLICIT_PORT" -k --tls-max 1.2

if command -v lftp >/dev/null; then
  SFTP_URL="sftp://127.0.0.1:$TARNHOLM_SFTP_PORT"
  LFTP_SET="set sftp:connect-program 'ssh -a -x -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null'"
  measure SFTP 2 "$TARNHOLM_SFTP_PORT" \
    "lftp -u '$AUTH' -e \"$LFTP_SET; put $WORK/source.bin -o $REMOTE_DIR/payload.bin; bye\" $SFTP_URL" \
    "lftp -u '$AUTH' -e \"$LFTP_SET; get $REMOTE_DIR/payload.bin -o $WORK/back.bin; bye\" $SFTP_URL"
fi
