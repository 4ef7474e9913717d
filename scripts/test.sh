#!/usr/bin/env bash
# Installs, builds and runs every test; then builds the program without
# windows (-DQUILL_GUI=OFF: no Qt Widgets or PrintSupport) in build-nogui and
# runs the tests of that build. Only what those tests need is built there.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)")

cmake -S . -B build-nogui -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILL_WERROR=ON \
    -DQUILL_GUI=OFF >/dev/null
cmake --build build-nogui --target quill_tests -j"$(nproc)"
cd build-nogui
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
