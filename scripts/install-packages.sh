#!/bin/sh
# Installs what the build, the tests, the demo and the release need on
# Debian 12, as root, and readies the machine to run 32-bit Windows programs.
# Every step checks first, so a second run changes nothing.
set -e
cd "$(dirname "$0")/.."
PACKAGES="cmake make python3 libgtest-dev \
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
    wine wine64 wine32:i386 fonts-wine xvfb xauth x11-utils imagemagick \
    icoutils osslsigncode openssl locales libpalm-perl python3-pefile python3-asn1crypto \
    softhsm2 opensc libengine-pkcs11-openssl nsis \
    libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 \
    libxinerama1:i386 libxcomposite1:i386 libxfixes3:i386 libxxf86vm1:i386"
# (The i386 X libraries give the 32-bit Wine's display driver what the
# 64-bit one has: the demo's pictures of the 32-bit programs need them.
# OpenSSL's pkcs11 engine lets osslsigncode sign with a key on a token;
# SoftHSM2 and opensc's pkcs11-tool make the release tests' own token.
# makensis, from nsis, builds the benchmark's peer installer.)

need_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "Run as root (or do this first): $1" >&2
        exit 1
    fi
}

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "ok installed"
}

# A mirror in mid-sync fails one index now and then; a second try usually
# finds it whole, and lists that stay stale are still usable for install.
apt_updated=no
apt_update() {
    [ $apt_updated = yes ] && return 0
    for try in 1 2 3; do
        apt-get update -q && { apt_updated=yes; return 0; }
        sleep 5
    done
    echo "apt-get update failed three times; going on with the lists there are." >&2
    apt_updated=yes
}

export DEBIAN_FRONTEND=noninteractive

# wine32 is an i386 package.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    need_root "dpkg --add-architecture i386"
    dpkg --add-architecture i386
fi

missing=""
for package in $PACKAGES; do
    installed "$package" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    need_root "apt-get install$missing"
    apt_update
    if ! apt-get install -y -q --no-install-recommends $missing; then
        # When one architecture's index of a suite could not be fetched (a
        # mirror in mid-sync), the i386 and amd64 copies of a shared library
        # have no common version; the release's own suite has both.
        . /etc/os-release
        echo "Trying again with the packages of $VERSION_CODENAME itself preferred."
        apt-get install -y -q --no-install-recommends -t "$VERSION_CODENAME" $missing
    fi
fi

# The 32-bit Wine needs a kernel that runs 32-bit code, or an emulator that
# the kernel hands such programs to (scripts/enable-i386-emulation.sh).
sh scripts/enable-i386-emulation.sh
