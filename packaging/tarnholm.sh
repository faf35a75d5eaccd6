#!/bin/sh
# Starts Tarnholm from this folder, for example on a USB stick, so that ftp.ini
# (and everything Tarnholm keeps beside it) stays here with the program.
#   sh tarnholm.sh      (works also where the stick keeps no execute permissions)
here="$(cd "$(dirname "$0")" && pwd -P)" || exit 1
cd "$here" || exit 1
if [ -x ./tarnholm ]; then
  exec ./tarnholm "$@"
fi
# Without execute permissions the system's loader starts the program; it then
# finds the FTP backend through the library path instead of its own folder.
loader=""
for candidate in /lib64/ld-linux-x86-64.so.2 /lib/ld-linux-aarch64.so.1 /lib/ld-linux-armhf.so.3; do
  [ -e "$candidate" ] && { loader="$candidate"; break; }
done
if [ -z "$loader" ]; then
  echo "tarnholm.sh: $here/tarnholm is not executable and no system loader was found." >&2
  exit 1
fi
LD_LIBRARY_PATH="$here${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" exec "$loader" ./tarnholm "$@"
