#!/bin/sh
# Builds everything and runs every test: the Windows build under Wine inside a
# private Xvfb display, and the native build (sanitizers, fuzzers).
# BUILD_ROOT chooses the build directory (default: build).
set -eu
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}

tools/setup.sh

cmake -S . -B "$root/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake -DWXB_WERROR=ON >/dev/null
cmake --build "$root/win"
cmake -S . -B "$root/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DWXB_WERROR=ON >/dev/null
cmake --build "$root/native"

export WINEPREFIX="$PWD/$root/win/wineprefix"
tools/wine-prefix
status=0
tools/xvfb-session ctest --test-dir "$root/win" --output-on-failure -j2 ${CTEST_ARGS:-} || status=1
ctest --test-dir "$root/native" --output-on-failure -j2 ${CTEST_ARGS:-} || status=1
wineserver -k 2>/dev/null || true
exit $status
