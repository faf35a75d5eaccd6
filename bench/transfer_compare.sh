#!/usr/bin/env bash
# The program's own commands (bench_transfer_commands) against reference tools
# on the same servers in the same run, and the window's responsiveness:
#   bench/transfer_compare.sh BUILD_DIR SERVERS_ENV [SIZE_MIB] [ROUNDS]
# - one file of SIZE_MIB (default 1024) up and down, plain and encrypted, over
#   FTP (reference: the curl command line) and SFTP (reference: lftp, which
#   drives OpenSSH's sftp); the fastest of ROUNDS (default 2) counts on both
#   sides, as the machine is shared and the minimum is the least disturbed;
# - the peak memory growth and the longest wait of a 10 ms GUI timer meanwhile;
# - how long the cancel control takes to end an upload and a download;
# - folders of 10,000 and 100,000 entries listed again: time until shown, and
#   the longest wait of the GUI timer.
# Goals: plain <= 1.1x the reference, encrypted <= 1.3x the plain reference,
# growth < 64 MiB, cancel <= 0.5 s, timer wait <= 100 ms, 10,000 entries
# shown in <= 0.5 s.
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
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$WORK}"
chown "$TARNHOLM_TEST_USER:" "$REMOTE_DIR" 2>/dev/null || chmod 0777 "$REMOTE_DIR"
head -c "$((SIZE_MIB * 1024 * 1024))" /dev/urandom > "$WORK/payload.bin"
# Written out before the clock starts, so the first run does not pay for it.
sync
AUTH="$TARNHOLM_TEST_USER:$TARNHOLM_TEST_PASS"
LFTP_SET="set sftp:connect-program 'ssh -a -x -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null'"
SFTP_URL="sftp://127.0.0.1:$TARNHOLM_SFTP_PORT"

seconds() {  # runs the command, prints its wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" -eq 1 ]; then echo "$2"; else echo "$1"; fi; }
max() { if [ -z "$1" ] || [ "$2" -gt "$1" ]; then echo "$2"; else echo "$1"; fi; }
same() { cmp -s "$WORK/payload.bin" "$1" || { echo "transfer corrupted: $1" >&2; exit 1; }; rm -f "$1"; }

# reference NAME: sets REF_UP and REF_DOWN, the fastest of ROUNDS.
reference() {
  local t round
  REF_UP=""; REF_DOWN=""
  for round in $(seq 1 "$ROUNDS"); do
    if [ "$1" = FTP ]; then
      t=$(seconds curl -sS --user "$AUTH" -T "$WORK/payload.bin" "ftp://127.0.0.1:$TARNHOLM_FTP_PORT/$NAME/ref.bin")
      REF_UP=$(min "$REF_UP" "$t")
      t=$(seconds curl -sS --user "$AUTH" -o "$WORK/back/ref.bin" "ftp://127.0.0.1:$TARNHOLM_FTP_PORT/$NAME/ref.bin")
      REF_DOWN=$(min "$REF_DOWN" "$t")
    else
      t=$(seconds lftp -u "$AUTH" -e "$LFTP_SET; put $WORK/payload.bin -o $REMOTE_DIR/ref.bin; bye" "$SFTP_URL")
      REF_UP=$(min "$REF_UP" "$t")
      t=$(seconds lftp -u "$AUTH" -e "$LFTP_SET; get $REMOTE_DIR/ref.bin -o $WORK/back/ref.bin; bye" "$SFTP_URL")
      REF_DOWN=$(min "$REF_DOWN" "$t")
    fi
    same "$WORK/back/ref.bin"
    rm -f "$REMOTE_DIR/ref.bin"
  done
}

# run NAME PROTOCOL PORT SERVER_FOLDER
run() {
  local name="$1" protocol="$2" port="$3" folder="$4"
  local cipher round out up down growth gap best_up best_down peak worst limit
  reference "$name"
  for cipher in 0 1; do
    best_up=""; best_down=""; peak=0; worst=0
    for round in $(seq 1 "$ROUNDS"); do
      out=$("$TOOL" transfer "$protocol" "$port" "$TARNHOLM_TEST_USER" "$TARNHOLM_TEST_PASS" \
        "$WORK/payload.bin" "$folder" "$WORK/back" "$cipher")
      read -r up down growth gap <<<"$out"
      same "$WORK/back/payload.bin"
      rm -f "$REMOTE_DIR"/payload.bin*
      best_up=$(min "$best_up" "$up"); best_down=$(min "$best_down" "$down")
      peak=$(max "$peak" "$growth"); worst=$(max "$worst" "$gap")
    done
    limit=$([ "$cipher" -eq 1 ] && echo 1.3 || echo 1.1)
    printf "%-5s %-9s up %6.2fs (ref %6.2fs) %4.2fx   down %6.2fs (ref %6.2fs) %4.2fx   goal <= %s   growth %4d MiB (< 64)   timer wait %4d ms (<= 100)\n" \
      "$name" "$([ "$cipher" -eq 1 ] && echo encrypted || echo plain)" \
      "$best_up" "$REF_UP" "$(echo "$best_up / $REF_UP" | bc -l)" \
      "$best_down" "$REF_DOWN" "$(echo "$best_down / $REF_DOWN" | bc -l)" "$limit" "$((peak / 1024))" "$worst"
  done
  # The cancel comes 0.3 s into each transfer: a small file is over by then.
  [ "$SIZE_MIB" -ge 512 ] || return 0
  out=$("$TOOL" cancel "$protocol" "$port" "$TARNHOLM_TEST_USER" "$TARNHOLM_TEST_PASS" \
    "$WORK/payload.bin" "$folder" "$WORK/back" 0)
  same "$REMOTE_DIR/payload.bin"
  rm -f "$WORK/back/payload.bin"
  read -r up down <<<"$out"
  printf "%-5s cancel    upload %4d ms, download %4d ms (goal <= 500), both sides' files kept\n" "$name" "$up" "$down"
}

# listing COUNT: a folder of COUNT empty files, listed again over FTP.
listing() {
  local count="$1" dir="$REMOTE_DIR/list-$1" out shown gap rows
  mkdir -p "$dir"
  (cd "$dir" && seq -f "entry-%06g.txt" 1 "$count" | xargs touch)
  chown -R "$TARNHOLM_TEST_USER:" "$dir" 2>/dev/null || chmod -R a+rwX "$dir"
  out=$("$TOOL" list 1 "$TARNHOLM_FTP_PORT" "$TARNHOLM_TEST_USER" "$TARNHOLM_TEST_PASS" "/$NAME/list-$count/")
  read -r shown gap rows <<<"$out"
  printf "FTP   listing %6d entries shown in %5.2fs, timer wait %4d ms (<= 100), %d rows\n" "$count" "$shown" "$gap" "$rows"
  rm -rf "$dir"
}

echo "File of $SIZE_MIB MiB; the program's commands vs curl (FTP) and lftp (SFTP), fastest of $ROUNDS"
run FTP 1 "$TARNHOLM_FTP_PORT" "/$NAME/"
run SFTP 2 "$TARNHOLM_SFTP_PORT" "$REMOTE_DIR/"
listing 10000
listing 100000
