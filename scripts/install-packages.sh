#!/bin/sh
# Installs what the build, the tests and the demo need on Debian 12, as root.
# Does nothing when everything is already there.
set -e
PACKAGES="cmake make python3 libgtest-dev \
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
    wine wine64 fonts-wine xvfb xauth x11-utils imagemagick"
missing=""
for package in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing="$missing $package"
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -ne 0 ]; then
    echo "Run as root (or install these packages first):$missing" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends $missing
