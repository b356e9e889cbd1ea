#!/bin/sh
# Builds the Windows tree and runs the benchmarks under Wine (never part of
# CTest): on the i686 build we ship, or on the x86_64 one where this machine
# runs no i386 program (tools/win-builds). BUILD_ROOT chooses the build
# directory (default: build).
set -eu
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
. tools/win-build.sh

tools/setup.sh
set -- $(tools/win-builds)
win_build "$1"
echo "bench: the $1 build"
tools/build-win "$root" "$1"
tools/wine-prefix

# Download engine: a 256 MiB file from nginx by CHttpDownload, over http and
# https, against bare receive loops and curl (http and https), and the bytes
# re-transferred over cut connections.
echo "== download"
bench_root="$PWD/$root/bench-download"
mkdir -p "$bench_root/root"
[ "$(stat -c %s "$bench_root/root/big.bin" 2>/dev/null || echo 0)" = 268435456 ] ||
    head -c 268435456 /dev/urandom >"$bench_root/root/big.bin"
python3 tests/servers/with_servers.py --workdir "$bench_root/servers" --tls --nginx "$bench_root/root" --fault -- \
    python3 bench/download/run_bench.py --exe "$win_dir/bench/download_bench.exe" \
    --trust-ca "$win_dir/bin/trust_ca.exe" \
    --wine-run "$PWD/tools/wine-run" --root "$bench_root/root"

# Skin: region conversion, batched against one CombineRgn per rectangle. The
# program and a fresh wineserver share CPU 0.
echo "== region conversion"
wineserver -k 2>/dev/null || true
taskset -c 0 wineserver -p30
taskset -c 0 tools/wine-run "$win_dir/bench/region_bench.exe"

# Updater: time from Update.exe's start to its visible dialog; a 16 MiB and
# a 256 MiB package from nginx (zero-filled sparse files) (a) through the
# dialog, with its memory and the time its signature check takes, (b) by the
# downloader notifying a window that returns at once, (c) by the downloader
# alone, side by side; everything on CPU 0.
echo "== updater"
if grep -q '^WXB_PACKAGE_KEY:FILEPATH=.' "$win_dir/CMakeCache.txt"; then
    echo "left out: this build takes the publisher's key, so its packages cannot be signed here"
else
    wineserver -k 2>/dev/null || true
    bench_root="$PWD/$root/bench-update"
    mkdir -p "$bench_root/app" "$bench_root/root"
    cp "$win_dir/bin/Update.exe" "$bench_root/app/"
    truncate -s 16M "$bench_root/root/package16.bin"
    truncate -s 256M "$bench_root/root/package256.bin"
    # Signed with the build's own key: the updater starts nothing else.
    for package in package16.bin package256.bin; do
        openssl dgst -sha256 -sign "$win_dir/package_key/private.pem" \
            -out "$bench_root/root/$package.sig" "$bench_root/root/$package"
    done
    tools/xvfb-session taskset -c 0 python3 tests/servers/with_servers.py --workdir "$bench_root/servers" \
        --nginx "$bench_root/root" -- sh -c '
            wineserver -p30
            bench="$1/bench/update_bench.exe"
            tools/wine-run "$bench" start "Z:$2/app" 10
            tools/wine-run "$bench" download "Z:$2/app" "http://127.0.0.1:$WXB_NGINX_PORT/package16.bin" 1
            tools/wine-run "$bench" download "Z:$2/app" "http://127.0.0.1:$WXB_NGINX_PORT/package256.bin" 7
            wineserver -k' bench "$win_dir" "$bench_root"
fi

# Animated picture: load time and memory of a 100-frame 500 x 200 GIF (full
# frames, each with its own colour table), and the CPU used while it plays
# for 10 s in a visible window. The program and its own wineserver share
# CPU 0; wineserver's share of the playing is its CPU time in a run that
# plays minus one that does not.
echo "== animated picture"
wineserver -k 2>/dev/null || true
bench_root="$PWD/$root/bench-picture"
mkdir -p "$bench_root"
[ -f "$bench_root/frames100.gif" ] ||
    convert -size 500x200 gradient:'#1d5b94-#e2edf8' gradient:'#f0a030-#2060c0' -morph 98 \
        -set delay 4 -loop 0 "$bench_root/frames100.gif"
tools/xvfb-session sh -c '
        bench="$1/bench/animated_picture_bench.exe"
        for seconds in 0 10; do
            taskset -c 0 wineserver -f -p30 &
            server=$!
            sleep 0.5
            before=$(awk "{print \$14 + \$15}" /proc/$server/stat)
            taskset -c 0 tools/wine-run "$bench" "Z:$2/frames100.gif" $seconds
            after=$(awk "{print \$14 + \$15}" /proc/$server/stat)
            echo "wineserver CPU over the run: $(( (after - before) * 1000 / $(getconf CLK_TCK) )) ms"
            wineserver -k
            wait $server
        done' bench "$win_dir" "$bench_root"

wineserver -k 2>/dev/null || true
