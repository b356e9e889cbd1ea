#!/bin/sh
# Builds the calendar with the suite stand-ins and runs it under Wine: the
# stand-in suite host Wexbury.exe starts Tessaly.exe, which shows the demo
# calendar page served by nginx on the suite web server's address. On the
# user's display (DISPLAY set) the calendar runs until it is closed (Escape,
# or Alt+F4); without a display it runs inside a private Xvfb and a
# screenshot is saved. BUILD_ROOT chooses the build directory (default: build).
set -eu
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}

tools/setup.sh
cmake -S . -B "$root/win" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake >/dev/null
cmake --build "$root/win" --target Wexbury Tessaly wxbcomm

export WINEPREFIX="$PWD/$root/win/wineprefix"
tools/wine-prefix

# The programs run from their own folder, where the calendar keeps its
# settings between runs.
demo="$PWD/$root/demo"
mkdir -p "$demo"
cp "$root/win/bin/Wexbury.exe" "$root/win/bin/Tessaly.exe" "$root/win/bin/wxbcomm.dll" "$demo/"

# host:port of the calendar page, as compiled into the program.
server=$(sed -n 's/^#define WXB_WEB_SERVER "\(.*\)"$/\1/p' "$root/win/generated/suite_servers.h")
port=${server##*:}

if [ -n "${DISPLAY:-}" ]; then
    echo "demo: the calendar opens at the top-left of the screen; Escape closes it"
    exec python3 tests/servers/with_servers.py --workdir "$demo/server" \
        --nginx suite/demo/www --nginx-port "$port" -- tools/wine-run "$demo/Wexbury.exe"
fi

shot="$demo/screenshot.png"
rm -f "$shot"
tools/xvfb-session python3 tests/servers/with_servers.py --workdir "$demo/server" \
    --nginx suite/demo/www --nginx-port "$port" -- sh -c '
        tools/wine-run "$1/Wexbury.exe" &
        tries=0
        until xdotool search --name "^日历$" >/dev/null 2>&1; do
            tries=$((tries + 1))
            [ $tries -lt 150 ] || { echo "demo: the calendar did not open" >&2; break; }
            sleep 0.2
        done
        sleep 3
        import -window root "$2"
        wineserver -k
        wait' demo "$demo" "$shot"
grep -q "GET /ToolsInterface/tessaly/tessalyinterface.html" "$demo/server/nginx/access.log" &&
    echo "demo: the calendar asked $server for its page"
[ -f "$shot" ] && echo "demo: screenshot saved as $shot"
