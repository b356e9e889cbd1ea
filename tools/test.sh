#!/bin/sh
# Builds everything and runs every test: the Windows builds under Wine inside
# a private Xvfb display, and the native build (sanitizers, fuzzers). Both
# Windows builds are compiled everywhere; tools/win-builds says which of them
# this machine can run: the i686 build first, then the x86_64 one, or the
# x86_64 one alone. BUILD_ROOT chooses the build directory (default: build).
set -eu
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
. tools/win-build.sh

tools/setup.sh

tools/build-win "$root" win
tools/build-win "$root" win64
cmake -S . -B "$root/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DWXB_WERROR=ON >/dev/null
cmake --build "$root/native"

# The tests run with loopback alone, so that no traffic and no name look-up
# leaves the machine. Wine makes sockets in its wineserver, so a wineserver
# still running outside must not serve them.
status=0
for build in $(tools/win-builds); do
    win_build "$build"
    echo "test: the $build build ($WINEARCH prefix)"
    tools/wine-prefix
    wineserver -k 2>/dev/null || true
    tools/loopback-only tools/xvfb-session ctest --test-dir "$win_dir" --output-on-failure -j2 ${CTEST_ARGS:-} ||
        status=1
    wineserver -k 2>/dev/null || true
done
tools/loopback-only ctest --test-dir "$root/native" --output-on-failure -j2 ${CTEST_ARGS:-} || status=1
exit $status
