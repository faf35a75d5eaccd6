# Shared by scripts/run and scripts/test: package installation and the build.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"

BUILD_PACKAGES=(g++ cmake make pkg-config qt6-base-dev qt6-translations-l10n
  libcurl4-openssl-dev libssh-dev libssl-dev libgtest-dev libbenchmark-dev
  fonts-liberation2)
TEST_PACKAGES=(vsftpd openssh-server openssl iproute2 curl lftp xxd python3)

# Installs only what dpkg does not already report as installed.
ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build_tree DIR [cmake options...]: configures once, then builds.
build_tree() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}
