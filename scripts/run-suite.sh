#!/bin/sh
# Runs the tests of one built configuration in one kind of Wine prefix:
#   run-suite.sh PRESET win64|win32 [ctest arguments...]
# Prepares the build's private prefix, keeps one wineserver warm for the
# whole run and stops it at the end. Prints ctest's output; the exit code
# is ctest's.
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
preset=$1
arch=$2
shift 2
prefix="$root/build/$preset/wineprefix"
loader=/usr/lib/wine/wine64
if [ "$arch" = win32 ]; then
    prefix="$prefix-win32"
    loader=/usr/lib/wine/wine
    export WINEARCH=win32
fi
export KELVANE_WINEARCH="$arch"
sh cmake/wine-prefix.sh "$prefix" null "$arch"
# One warm wineserver for the whole run: each program start is then cheap.
WINEPREFIX="$prefix" /usr/lib/wine/wineserver -p
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
# Wine's own background services start with the first program and, under a
# persistent server, live on with the output pipes of whoever started them:
# start them here, away from the pipes through which ctest reads the tests.
WINEPREFIX="$prefix" WINEDEBUG=-all "$loader" cmd /c exit </dev/null >/dev/null 2>&1
ctest --preset "$preset" "$@"
