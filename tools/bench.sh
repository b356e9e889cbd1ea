#!/bin/sh
# Builds the Windows tree and runs the benchmarks under Wine (never part of
# CTest). BUILD_ROOT chooses the build directory (default: build).
set -eu
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}

tools/setup.sh
cmake -S . -B "$root/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake -DWXB_WERROR=ON >/dev/null
cmake --build "$root/win"
export WINEPREFIX="$PWD/$root/win/wineprefix"
tools/wine-prefix

# Download engine: a 256 MiB file from nginx by CHttpDownload against bare
# receive loops and curl, and the bytes re-transferred over cut connections.
echo "== download"
bench_root="$PWD/$root/bench-download"
mkdir -p "$bench_root/root"
[ "$(stat -c %s "$bench_root/root/big.bin" 2>/dev/null || echo 0)" = 268435456 ] ||
    head -c 268435456 /dev/urandom >"$bench_root/root/big.bin"
python3 tests/servers/with_servers.py --workdir "$bench_root/servers" --nginx "$bench_root/root" --fault -- \
    python3 bench/download/run_bench.py --exe "$root/win/bench/download_bench.exe" \
    --wine-run "$PWD/tools/wine-run" --root "$bench_root/root"

# Skin: region conversion, batched against one CombineRgn per rectangle. The
# program and a fresh wineserver share CPU 0.
echo "== region conversion"
wineserver -k 2>/dev/null || true
taskset -c 0 wineserver -p30
taskset -c 0 tools/wine-run "$root/win/bench/region_bench.exe"

wineserver -k 2>/dev/null || true
