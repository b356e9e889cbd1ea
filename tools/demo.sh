#!/bin/sh
# Builds both programs with the suite stand-ins and runs the whole suite
# under Wine: the stand-in suite host Wexbury.exe starts Tessaly.exe, which
# shows the demo calendar page served by nginx on the suite web server's
# address, and offers an update to Update.exe, which downloads the demo
# installer from the same nginx over https (slowed down, so the progress can
# be watched; its certificate from a test CA made for the demo and trusted in
# the demo's Wine prefix) with its signature, checks the signature against the key built
# into the updater and the package against the digest the host put beside
# it, and starts it. On the user's display (DISPLAY set) everything runs until
# it is closed; without a display it runs inside a private Xvfb, the upgrade
# is clicked, and screenshots are saved. It runs the i686 build we ship, or
# the x86_64 one where this machine runs no i386 program (tools/win-builds).
# BUILD_ROOT chooses the build directory (default: build).
set -eu
cd "$(dirname "$0")/.."
root=${BUILD_ROOT:-build}
. tools/win-build.sh

tools/setup.sh
set -- $(tools/win-builds)
win_build "$1"
echo "demo: the $1 build"
cmake -S . -B "$win_dir" -G Ninja --no-warn-unused-cli -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$win_toolchain" >/dev/null
cmake --build "$win_dir" --target Wexbury Tessaly wxbcomm Update wxbry5_setup trust_ca
tools/wine-prefix

# The programs run from their own folder, where the calendar keeps its
# settings between runs.
demo="$PWD/$root/demo"
mkdir -p "$demo"
cp "$win_dir/bin/Wexbury.exe" "$win_dir/bin/Tessaly.exe" "$win_dir/bin/wxbcomm.dll" \
    "$win_dir/bin/Update.exe" "$win_dir/bin/trust_ca.exe" "$demo/"

# The served pages plus the update package. The host keeps the package in
# update/ and, as a host that cares for integrity does, puts the digest it
# got with the offer beside it; nothing is left from an earlier run.
rm -rf "$demo/www" "$demo/update"
cp -r suite/demo/www "$demo/www"
# The picture the calendar's splash fetches for its next start: an animated
# GIF (the splash shows any picture the system loader reads) on the picture
# server's path. The first start shows the built-in picture and fetches this
# one; every later start shows it.
mkdir -p "$demo/www/oempage/ad/topright/images"
python3 tools/loading_picture.py "$demo/www/oempage/ad/topright/images/loading.bmp"
mkdir -p "$demo/www/wxb/soft" "$demo/update"
cp "$win_dir/bin/wxbry5_setup.exe" "$demo/www/wxb/soft/"
# Signed as a publisher signs, with the build's own key; a build made with a
# publisher's key (WXB_PACKAGE_KEY) has no private half to sign with.
if grep -q '^WXB_PACKAGE_KEY:FILEPATH=.' "$win_dir/CMakeCache.txt"; then
    echo "demo: this build takes the publisher's key; the unsigned demo package will be refused" >&2
else
    openssl dgst -sha256 -sign "$win_dir/package_key/private.pem" \
        -out "$demo/www/wxb/soft/wxbry5_setup.exe.sig" "$demo/www/wxb/soft/wxbry5_setup.exe"
fi
(cd "$demo/www/wxb/soft" && sha256sum wxbry5_setup.exe) >"$demo/update/wxbry5_setup.exe.sha256"
# About three seconds for the package, long enough to watch the progress.
rate=$(( $(stat -c %s "$demo/www/wxb/soft/wxbry5_setup.exe") / 3 / 1024 ))
echo "location /wxb/soft/ { limit_rate ${rate}k; }" >"$demo/slow_packages.conf"

# host:port of the calendar page, as compiled into the program.
server=$(sed -n 's/^#define WXB_WEB_SERVER "\(.*\)"$/\1/p' "$win_dir/generated/suite_servers.h")
port=${server##*:}
# host:port of the update package (https), likewise.
update_server=$(sed -n 's/^#define WXB_UPDATE_SERVER "\(.*\)"$/\1/p' "$win_dir/generated/suite_servers.h")

# nginx serves plain http on the web server's port and https on the update
# server's, with certificates with_servers.py makes (the test CA's private
# key stays in build/demo/server/tls). trust_ca.exe makes that CA trusted
# in the demo's Wine prefix before the suite starts.
servers="python3 tests/servers/with_servers.py --workdir $demo/server --tls --nginx $demo/www
    --nginx-port $port --nginx-tls-port ${update_server##*:} --nginx-extra $demo/slow_packages.conf"
# Run with the demo folder as $0, inside the servers' environment.
export trusted='tools/wine-run "$0/trust_ca.exe" "Z:$WXB_TLS_CA" || { echo "demo: the test CA could not be trusted" >&2; exit 1; }'

if [ -n "${DISPLAY:-}" ]; then
    echo "demo: the calendar opens at the top-left of the screen (Escape closes it);"
    echo "demo: the update offer opens in the middle: \"升级\" downloads and starts the demo installer"
    exec $servers -- sh -c "$trusted"'; exec tools/wine-run "$0/Wexbury.exe" /update' "$demo"
fi

shot="$demo/screenshot.png"
progress_shot="$demo/update_progress.png"
installer_shot="$demo/update_installer.png"
restored_shot="$demo/calendar_restored.png"
rm -f "$shot" "$progress_shot" "$installer_shot" "$restored_shot"
# The screenshots start with the calendar at the top-left corner: the place
# an earlier run left it at is forgotten.
[ ! -f "$demo/Tessaly.ini" ] || sed -i '/^\(Left\|Top\)=/d' "$demo/Tessaly.ini"
tools/xvfb-session $servers -- sh -c '
        # Waits until a window with this exact title exists; prints its id.
        wait_for() {
            tries=0
            until xdotool search --name "^$1\$" 2>/dev/null | head -n 1 | grep .; do
                tries=$((tries + 1))
                [ $tries -lt 150 ] || { echo "demo: \"$1\" did not open" >&2; return 1; }
                sleep 0.2
            done
        }
        sh -c "$trusted" "$1" || exit 1
        tools/wine-run "$1/Wexbury.exe" /update &
        wait_for "日历" >/dev/null
        offer=$(wait_for "Wexbury升级") && {
            sleep 3
            import -window root "$2"
            # "升级": the upgrade button, centre at (196, 297) of the dialog.
            xdotool mousemove --window "$offer" 196 297 click 1
            sleep 1.5
            import -window root "$3"
            wait_for "Wexbury 5 Setup" >/dev/null && sleep 1 && import -window root "$4"
        }
        # The calendar once more (the host still runs), dragged by its skin
        # to (200, 200) and closed with its panel'"'"'s close button, at (711, 209)
        # beside the dragged window; started again, it opens where it was left.
        tools/wine-run "$1/Tessaly.exe" &
        wait_for "日历" >/dev/null && {
            sleep 3
            xdotool mousemove 10 150 mousedown 1 mousemove 110 250 sleep 0.2 \
                mousemove 210 350 sleep 0.2 mouseup 1 sleep 1 mousemove 711 209 sleep 0.5 click 1
            while xdotool search --name "^日历\$" >/dev/null 2>&1; do sleep 0.2; done
            tools/wine-run "$1/Tessaly.exe" &
            wait_for "日历" >/dev/null && xdotool mousemove 450 350 && sleep 3 && import -window root "$5"
        }
        wineserver -k
        wait' demo "$demo" "$shot" "$progress_shot" "$installer_shot" "$restored_shot"
log="$demo/server/nginx/access.log"
grep -q "GET /ToolsInterface/tessaly/tessalyinterface.html" "$log" &&
    echo "demo: the calendar asked $server for its page"
grep -q "GET /wxb/soft/wxbry5_setup.exe HTTP/1.1\" 200" "$log" &&
    echo "demo: the updater downloaded the package from https://$update_server"
grep -q "GET /wxb/soft/wxbry5_setup.exe.sig HTTP/1.1\" 200" "$log" &&
    echo "demo: the updater fetched the package's signature from https://$update_server"
grep -q "GET /oempage/ad/topright/images/loading.bmp HTTP/1.1\" 200" "$log" &&
    echo "demo: the splash fetched the loading picture from $server; the next run shows it"
[ -f "$shot" ] && echo "demo: screenshot of the calendar and the update offer saved as $shot"
[ -f "$progress_shot" ] && echo "demo: screenshot of the download in progress saved as $progress_shot"
[ -f "$installer_shot" ] && echo "demo: screenshot of the started installer saved as $installer_shot"
[ -f "$restored_shot" ] && echo "demo: screenshot of the calendar started again where it was dragged saved as $restored_shot"
exit 0
