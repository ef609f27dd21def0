#!/usr/bin/env bash
# Sets up, builds everything and runs every test: the native unit tests on
# the simulated desktop, then the real Windows program end to end under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc)
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release -DPOCKETRY_WERROR=ON
cmake --build build/native -j"$jobs"
ctest --test-dir build/native --output-on-failure -j"$jobs"

for arch in x86_64 i686; do
    cmake -S . -B "build/win-$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/$arch-w64-mingw32.toolchain.cmake" \
        -DPOCKETRY_WERROR=ON
    cmake --build "build/win-$arch" -j"$jobs"
done

# The runner picks the exes this machine's Wine can run (its first line says which) and runs
# the platform contract suite, then the scenarios.
python3 tests/e2e/run_e2e.py --build build --out build/e2e
