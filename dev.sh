#!/usr/bin/env bash
# Sets up a Debian 12 machine for Quillory (installs what is missing), builds it, then
#   ./dev.sh run [FILE]   starts the editor, optionally with a file
#   ./dev.sh test         runs every test headless
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins
  libcurl4-openssl-dev libgtest-dev
  fonts-liberation2 fontconfig
)

install_missing_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^ii' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  [ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build
}

command=${1:-}
case "$command" in
  run)
    shift
    install_missing_packages
    build
    exec build/quillory "$@"
    ;;
  test)
    install_missing_packages
    build
    QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$(nproc)"
    ;;
  *)
    echo "usage: ./dev.sh run [FILE] | ./dev.sh test" >&2
    exit 2
    ;;
esac
