#!/bin/sh
# Prepares a Debian 12 machine for building and testing: i386 multiarch, the
# MinGW-w64 cross compiler, Wine, Xvfb, the test peers (nginx, tinyproxy,
# microsocks), iproute2 for the tests' own network namespace, openssl (the
# build's package signing key) and the zh_CN locale. Installs only what is
# missing.
set -eu

SUDO=
[ "$(id -u)" = 0 ] || SUDO=sudo

packages="cmake ninja-build g++ clang libclang-rt-14-dev python3 git
  g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine32:i386 wine64
  xvfb xauth picom xdotool x11-utils imagemagick fonts-wqy-zenhei locales
  fonts-arphic-uming python3-fonttools
  googletest nginx tinyproxy microsocks curl iproute2 openssl"

missing=
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done

if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing >/dev/null
fi

# Wine reports code page 936 only when glibc knows the locale.
locale -a 2>/dev/null | grep -qix 'zh_CN.utf8' || $SUDO localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
