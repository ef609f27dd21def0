#!/usr/bin/env bash
# Sets up, builds the 32-bit Windows program and runs it beside the stand-in
# Juno client in a Wine virtual desktop (in Xvfb, with a screenshot, when
# there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build/win-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.toolchain.cmake
cmake --build build/win-i686 -j"$(nproc)"
python3 scripts/demo.py --bin build/win-i686/bin --out build/demo "$@"
