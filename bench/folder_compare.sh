#!/usr/bin/env bash
# A folder of many small files up and down with the program's own commands
# (bench_transfer_commands folder) against lftp's mirror on the same FTP
# server in the same run:
#   bench/folder_compare.sh BUILD_DIR SERVERS_ENV [FILES] [ROUNDS]
# FILES files of 1 KiB (default 10000) in one folder; each round runs the four
# transfers one after the other, and the fastest of ROUNDS (default 3) counts
# on both sides, as the machine is shared and the minimum is the least
# disturbed. Every tree that comes back is compared with the original.
# Goal: upload and download each within 2x lftp's time.
set -euo pipefail
BUILD="$1"
ENV_FILE="$2"
FILES="${3:-10000}"
ROUNDS="${4:-3}"
# shellcheck disable=SC1090
source "$ENV_FILE"
TOOL="$BUILD/bin/bench_transfer_commands"
[ -x "$TOOL" ] || { echo "build bench_transfer_commands first" >&2; exit 1; }
command -v lftp >/dev/null || { echo "lftp is missing (apt-get install lftp)" >&2; exit 1; }

WORK="$(mktemp -d "${TMPDIR:-/tmp}/tarnholm-folder-bench.XXXXXX")"
NAME="bench-folder-$$"
REMOTE_DIR="$TARNHOLM_TEST_ROOT/$NAME"
cleanup() { rm -rf "$WORK" "$REMOTE_DIR"; }
trap cleanup EXIT
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$WORK}"
mkdir -p "$REMOTE_DIR" "$WORK/src/tree"
chown "$TARNHOLM_TEST_USER:" "$REMOTE_DIR" 2>/dev/null || chmod 0777 "$REMOTE_DIR"
head -c "$((FILES * 1024))" /dev/urandom > "$WORK/all.bin"
(cd "$WORK/src/tree" && split -a 5 -d -b 1024 "$WORK/all.bin" file-)
rm "$WORK/all.bin"
sync

seconds() {  # runs the command, prints its wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
min() { if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc -l)" -eq 1 ]; then echo "$2"; else echo "$1"; fi; }
same() { diff -r "$WORK/src/tree" "$1" >/dev/null || { echo "tree differs: $1" >&2; exit 1; }; }
# lftp speaks plain FTP here, as the program does on this port.
LFTP=(lftp -u "$TARNHOLM_TEST_USER,$TARNHOLM_TEST_PASS" "ftp://127.0.0.1:$TARNHOLM_FTP_PORT")
LFTP_SET="set ftp:ssl-allow no; set cmd:fail-exit yes"

REF_UP=""; REF_DOWN=""; OWN_UP=""; OWN_DOWN=""; GAP=0
for round in $(seq 1 "$ROUNDS"); do
  rm -rf "$REMOTE_DIR"/* "$WORK/back"
  mkdir -p "$WORK/back"
  t=$(seconds "${LFTP[@]}" -e "$LFTP_SET; mirror -R $WORK/src/tree /$NAME/tree; bye")
  REF_UP=$(min "$REF_UP" "$t")
  t=$(seconds "${LFTP[@]}" -e "$LFTP_SET; mirror /$NAME/tree $WORK/back/tree; bye")
  REF_DOWN=$(min "$REF_DOWN" "$t")
  same "$WORK/back/tree"

  rm -rf "$REMOTE_DIR"/* "$WORK/back"
  mkdir -p "$WORK/back"
  out=$("$TOOL" folder 1 "$TARNHOLM_FTP_PORT" "$TARNHOLM_TEST_USER" "$TARNHOLM_TEST_PASS" \
    "$WORK/src/tree" "/$NAME/" "$WORK/back")
  read -r up down gap <<<"$out"
  same "$WORK/back/tree"
  OWN_UP=$(min "$OWN_UP" "$up"); OWN_DOWN=$(min "$OWN_DOWN" "$down")
  [ "$gap" -gt "$GAP" ] && GAP="$gap"
done

echo "Folder of $FILES files of 1 KiB over FTP; the program's commands vs lftp mirror, fastest of $ROUNDS"
printf "upload   %6.2fs (lftp mirror -R %6.2fs) %4.2fx   goal <= 2\n" "$OWN_UP" "$REF_UP" "$(echo "$OWN_UP / $REF_UP" | bc -l)"
printf "download %6.2fs (lftp mirror    %6.2fs) %4.2fx   goal <= 2\n" "$OWN_DOWN" "$REF_DOWN" "$(echo "$OWN_DOWN / $REF_DOWN" | bc -l)"
printf "longest wait of a 10 ms timer on the GUI thread meanwhile: %d ms\n" "$GAP"
