#!/usr/bin/env bash
# Sets up, builds the Windows program this machine's Wine can run (32-bit where Wine's
# 32-bit loader runs, else 64-bit; POCKETRY_WINE_BITS=64 forces 64-bit) and runs it beside
# the stand-in Juno client in a Wine virtual desktop (in Xvfb, with a screenshot, when there
# is no display). Arguments go to scripts/demo.py (--seconds N, --display N).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
arch=$(python3 tests/e2e/winemode.py --arch)
cmake -S . -B "build/win-$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/$arch-w64-mingw32.toolchain.cmake"
cmake --build "build/win-$arch" -j"$(nproc)"
python3 scripts/demo.py --build build --out build/demo "$@"
