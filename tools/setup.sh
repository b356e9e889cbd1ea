#!/bin/sh
# Prepares a Debian 12 machine for building and testing: the MinGW-w64 cross
# compilers (i686 and x86_64), Wine, Xvfb, the test peers (nginx, tinyproxy,
# microsocks), iproute2 for the tests' own network namespace, openssl (the
# build's package signing key) and the zh_CN locale. i386 multiarch and
# wine32 only where i386 programs can run (tools/win-builds). Installs only
# what is missing, and rides out a package registry in the middle of a sync.
set -eu
cd "$(dirname "$0")/.."

SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo

fail() {
    echo "setup: $1" >&2
    exit 1
}

packages="cmake ninja-build g++ clang libclang-rt-14-dev python3 git
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64
  xvfb xauth picom xdotool x11-utils imagemagick fonts-wqy-zenhei locales
  fonts-arphic-uming python3-fonttools
  googletest nginx tinyproxy microsocks curl iproute2 openssl"
with_i386=
case " $(tools/win-builds -q) " in
*" win "*) with_i386=1 packages="$packages wine32:i386" ;;
esac

missing=
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done

if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    if [ -n "$with_i386" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386 || fail "dpkg --add-architecture i386 failed"
    fi
    # A registry in the middle of a sync fails an index now and then
    # ("Mirror sync in progress?"): try again after a pause, and go on with
    # what did arrive; the install below says whether it was enough.
    tries=0
    until $SUDO apt-get update -qq; do
        tries=$((tries + 1))
        if [ $tries -ge 3 ]; then
            echo "setup: apt-get update still fails after $tries tries; going on with the indexes that arrived" >&2
            break
        fi
        sleep 15
    done
    apt_install() {
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "$@" $missing >/dev/null
    }
    # When the security suite's index is missing for one architecture, the
    # two sides no longer meet ("held broken packages"); the release's own
    # versions do.
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    apt_install || {
        echo "setup: apt-get install failed; trying once more with -t $release" >&2
        apt_install -t "$release" || fail "apt-get install -t $release failed for:$missing"
    }
fi

# Wine reports code page 936 only when glibc knows the locale.
locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' ||
    $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 || fail "localedef zh_CN.UTF-8 failed"
