#!/usr/bin/env bash
# Upload and download of one large file through the FTP back end and, in the
# same run against the same servers, with the curl command line (lftp for
# SFTP); prints seconds and the ratio back end / reference per direction,
# for the file functions and for the stream functions (with callbacks that
# read and write the same local files).
#   bench/backend_compare.sh BUILD_DIR SERVERS_ENV [SIZE_MIB] [ROUNDS] [PROTOCOLS]
# PROTOCOLS: a blank-separated choice of FTP FTPS-explicit FTPS-implicit SFTP
# (default all).
# Each direction runs ROUNDS times (default 3), back end and reference taking
# turns, and the fastest of each counts: the machine is shared, so the minimum
# is the figure least disturbed by others.
# Goals: FTP within 1.1x of curl, SFTP within 1.1x of lftp, both directions.
set -euo pipefail
BUILD="$1"
ENV_FILE="$2"
SIZE_MIB="${3:-1024}"
ROUNDS="${4:-3}"
PROTOCOLS=" ${5:-FTP FTPS-explicit FTPS-implicit SFTP} "
wanted() { [[ "$PROTOCOLS" == *" $1 "* ]]; }
# shellcheck disable=SC1090
source "$ENV_FILE"
TOOL="$BUILD/bin/bench_backend_transfer"
[ -x "$TOOL" ] || { echo "build bench_backend_transfer first" >&2; exit 1; }

WORK="$(mktemp -d "${TMPDIR:-/tmp}/tarnholm-bench.XXXXXX")"
REMOTE_DIR="$TARNHOLM_TEST_ROOT/bench-$$"
cleanup() { rm -rf "$WORK" "$REMOTE_DIR"; }
trap cleanup EXIT
mkdir -p "$REMOTE_DIR"
chown "$TARNHOLM_TEST_USER:" "$REMOTE_DIR" 2>/dev/null || chmod 0777 "$REMOTE_DIR"
head -c "$((SIZE_MIB * 1024 * 1024))" /dev/urandom > "$WORK/source.bin"
AUTH="$TARNHOLM_TEST_USER:$TARNHOLM_TEST_PASS"
NAME="bench-$$/payload.bin"
# The first reads of the fresh file come from the disk, later ones from the
# page cache: one untimed read lets every contender start alike.
cat "$WORK/source.bin" > /dev/null

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

row() {  # name goal backend_up backend_down ref_up ref_down
  printf "%-22s up %7.2fs vs %7.2fs ratio %5.2f   down %7.2fs vs %7.2fs ratio %5.2f   goal %s\n" \
    "$1" "$3" "$5" "$(echo "$3 / $5" | bc -l)" "$4" "$6" "$(echo "$4 / $6" | bc -l)" "$2"
}

# measure NAME GOAL PROTOCOL PORT REF_UP_CMD REF_DOWN_CMD: the commands are
# strings run by eval; they write the received file to $WORK/back.bin.
measure() {
  local name="$1" goal="$2" protocol="$3" port="$4" ref_up_cmd="$5" ref_down_cmd="$6"
  local best_ref_up="" best_ref_down="" t up down round mode
  local best_file_up="" best_file_down="" best_stream_up="" best_stream_down=""
  for round in $(seq 1 "$ROUNDS"); do
    t=$(timed eval "$ref_up_cmd"); best_ref_up=$(min "$best_ref_up" "$t")
    t=$(timed eval "$ref_down_cmd"); best_ref_down=$(min "$best_ref_down" "$t")
    check_same "$WORK/back.bin"
    for mode in file stream; do
      read -r up down <<<"$("$TOOL" "$mode" "$protocol" "$port" "$TARNHOLM_TEST_USER" "$TARNHOLM_TEST_PASS" \
        "$WORK/source.bin" "$NAME" "$WORK/back.bin")"
      check_same "$WORK/back.bin"
      if [ "$mode" = file ]; then
        best_file_up=$(min "$best_file_up" "$up"); best_file_down=$(min "$best_file_down" "$down")
      else
        best_stream_up=$(min "$best_stream_up" "$up"); best_stream_down=$(min "$best_stream_down" "$down")
      fi
    done
  done
  row "$name files" "$goal" "$best_file_up" "$best_file_down" "$best_ref_up" "$best_ref_down"
  row "$name streams" "$goal" "$best_stream_up" "$best_stream_down" "$best_ref_up" "$best_ref_down"
}

bench_curl() {  # name goal protocol port url_prefix curl_options...
  local name="$1" goal="$2" protocol="$3" port="$4" prefix="$5"; shift 5
  local opts="$*"
  measure "$name" "$goal" "$protocol" "$port" \
    "curl -sS $opts --user '$AUTH' -T '$WORK/source.bin' '$prefix/$NAME'" \
    "curl -sS $opts --user '$AUTH' -o '$WORK/back.bin' '$prefix/$NAME'"
}

echo "File of $SIZE_MIB MiB, fastest of $ROUNDS; back end vs reference tool (curl; lftp for SFTP)"
if wanted FTP; then
  bench_curl FTP "<= 1.10" 1 "$TARNHOLM_FTP_PORT" "ftp://127.0.0.1:$TARNHOLM_FTP_PORT"
fi
# The back end caps FTPS at TLS 1.2; the reference gets the same cap.
if wanted FTPS-explicit; then
  bench_curl FTPS-explicit "none set" 4 "$TARNHOLM_FTP_PORT" "ftp://127.0.0.1:$TARNHOLM_FTP_PORT" \
    --ssl-reqd -k --tls-max 1.2
fi
if wanted FTPS-implicit; then
  bench_curl FTPS-implicit "none set" 3 "$TARNHOLM_FTPS_IMPLICIT_PORT" \
    "ftps://127.0.0.1:$TARNHOLM_FTPS_IMPLICIT_PORT" -k --tls-max 1.2
fi
if wanted SFTP; then
  command -v lftp >/dev/null || { echo "lftp is missing: no SFTP reference" >&2; exit 1; }
  SFTP_URL="sftp://127.0.0.1:$TARNHOLM_SFTP_PORT"
  LFTP_SET="set sftp:connect-program 'ssh -a -x -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null'"
  measure SFTP "<= 1.10" 2 "$TARNHOLM_SFTP_PORT" \
    "lftp -u '$AUTH' -e \"$LFTP_SET; put $WORK/source.bin -o $REMOTE_DIR/payload.bin; bye\" $SFTP_URL" \
    "lftp -u '$AUTH' -e \"$LFTP_SET; get $REMOTE_DIR/payload.bin -o $WORK/back.bin; bye\" $SFTP_URL"
fi
