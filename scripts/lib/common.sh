# shellcheck shell=bash
# Shared by the scripts: a known environment, package installation and quiet
# builds. Sourced first; sets ROOT to the repository's folder.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

# Debian's own tools come first, whatever the caller's PATH puts before them
# (a python3 or cmake of its own, say), and the system folders are there even
# when the caller's PATH lacks them (useradd, sshd).
export PATH="/usr/sbin:/usr/bin:/sbin:/bin${PATH:+:$PATH}"
if [ -z "${HOME:-}" ]; then
  HOME="$(getent passwd "$(id -u)" | cut -d: -f6)"
  export HOME
fi

# What the program needs to build and run: scripts/run installs only these.
PROGRAM_PACKAGES=(g++ make cmake pkg-config qt6-base-dev qt6-translations-l10n
  libcurl4-openssl-dev libssh-dev libssl-dev fonts-liberation2)
# What the tests, the benchmarks and the fuzz check need besides; the test
# servers install their own (tests/servers/start).
TEST_PACKAGES=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev python3 e2fsprogs)
# The demo's servers (scripts/demo/servers.py).
DEMO_PACKAGES=(python3 python3-pyftpdlib python3-openssl python3-asyncssh)

# package_installed NAME: dpkg has the package unpacked and configured (a
# package removed with its configuration kept is known to dpkg -s, but absent).
package_installed() {
  [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null)" = "ii " ]
}

# ensure_packages NAME...: installs what is missing, and nothing when nothing
# is; says so in one line. Fails when a package cannot be installed.
ensure_packages() {
  local missing=() p
  for p in "$@"; do
    package_installed "$p" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "Missing packages: ${missing[*]}. Installing them needs root or sudo." >&2
      return 1
    fi
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  local log try
  log="$(mktemp)"
  for try in 1 2 3; do
    # sudo keeps no environment, so the variable goes through env.
    if "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -o DPkg::Lock::Timeout=600 update >"$log" 2>&1 &&
       "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q -o DPkg::Lock::Timeout=600 \
         --no-install-recommends "${missing[@]}" >>"$log" 2>&1; then
      break
    fi
    [ "$try" -lt 3 ] && sleep 10
  done
  local absent=()
  for p in "${missing[@]}"; do
    package_installed "$p" || absent+=("$p")
  done
  if [ ${#absent[@]} -gt 0 ]; then
    tail -n 30 "$log" >&2
    echo "Could not install: ${absent[*]}" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

# configure_tree DIR [cmake options...]: configures DIR with the options; the
# output shows only when it fails.
configure_tree() {
  local dir="$1"; shift
  mkdir -p "$dir"
  if ! cmake -S "$ROOT" -B "$dir" "$@" >"$dir/configure.log" 2>&1; then
    tail -n 40 "$dir/configure.log" >&2
    echo "Configuring $dir failed (whole output in $dir/configure.log)." >&2
    return 1
  fi
}

# build_targets DIR [target...]: builds the targets (all without any) of a
# configured tree quietly. BUILT_FILES holds the number of files it compiled
# or linked, 0 when everything was up to date; the output shows only when the
# build fails.
BUILT_FILES=0
build_targets() {
  local dir="$1"; shift
  local args=()
  [ $# -gt 0 ] && args=(--target "$@")
  if ! cmake --build "$dir" -j "$(nproc)" "${args[@]}" >"$dir/build.log" 2>&1; then
    local errors
    errors="$(grep -E -B2 -A6 'error:|undefined reference|No rule to make' "$dir/build.log" | tail -n 60)"
    if [ -n "$errors" ]; then echo "$errors" >&2; else tail -n 40 "$dir/build.log" >&2; fi
    echo "Building in $dir failed (whole output in $dir/build.log)." >&2
    return 1
  fi
  BUILT_FILES="$(grep -cE '\] (Building|Linking) ' "$dir/build.log" || true)"
}
