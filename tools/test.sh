#!/bin/sh
# Builds everything and runs every test: the Windows build under Wine inside a
# private Xvfb display, and the native build (sanitizers, fuzzers).
# BUILD_ROOT chooses the build directory (default: build).
set -eu
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}

tools/setup.sh

tools/build-win "$root"
cmake -S . -B "$root/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DWXB_WERROR=ON >/dev/null
cmake --build "$root/native"

export WINEPREFIX="$PWD/$root/win/wineprefix"
tools/wine-prefix
# The tests run with loopback alone, so that no traffic and no name look-up
# leaves the machine. Wine makes sockets in its wineserver, so a wineserver
# still running outside must not serve them.
wineserver -k 2>/dev/null || true
status=0
tools/loopback-only tools/xvfb-session ctest --test-dir "$root/win" --output-on-failure -j2 ${CTEST_ARGS:-} ||
    status=1
tools/loopback-only ctest --test-dir "$root/native" --output-on-failure -j2 ${CTEST_ARGS:-} || status=1
wineserver -k 2>/dev/null || true
exit $status
