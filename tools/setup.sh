#!/usr/bin/env bash
# Installs the Debian packages the build needs (quietly, only what is
# missing) and configures and builds the project into build/.
# Sourced by run.sh and test.sh.
set -euo pipefail

PELLAR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PELLAR_PACKAGES=(
  g++ cmake make pkg-config
  libjpeg62-turbo-dev libtiff-dev libpng-dev libgraphicsmagick++1-dev graphicsmagick libemf2svg-dev
  libpoppler-cpp-dev libleptonica-dev
  libfreetype-dev
  fonts-arphic-gbsn00lp fonts-arphic-uming fonts-noto-cjk fonts-wqy-zenhei
  fonts-arphic-gkai00mp fonts-arphic-ukai fonts-lxgw-wenkai
  googletest libgtest-dev
  qt6-base-dev qt6-image-formats-plugins xvfb xauth
  libsane-dev libsane1 sane-utils
  clang libclang-rt-14-dev python3
  libhpdf-dev poppler-utils poppler-data parallel dpkg-dev file
)

pellar_install_packages() {
  local missing=()
  for p in "${PELLAR_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
}

# pellar_build DIR [cmake options...]
pellar_build() {
  local dir="$1"
  shift
  cmake -S "$PELLAR_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)" -- --no-print-directory >/dev/null
}
