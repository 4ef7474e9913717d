#!/usr/bin/env bash
# Installs every Debian 12 package that Quillfish needs to build, test and run
# its demo, then configures and builds it in ./build. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgumbo-dev libfreexl-dev liborcus-dev libzip-dev libcpp-httplib-dev
  fonts-liberation poppler-utils curl xvfb xauth
  clang
)
bash scripts/apt-install.sh "${packages[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILL_WERROR=ON >/dev/null
cmake --build build -j"$(nproc)"
