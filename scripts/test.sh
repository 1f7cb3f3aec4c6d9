#!/bin/sh
# Builds both architectures and runs every test: the 64-bit build under
# wine64 in a private prefix (build/x86_64/wineprefix), and file checks of
# the 32-bit programs, which cannot run on this machine.
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
sh scripts/install-packages.sh

echo "== Building the product for 32-bit Windows (build/i686)"
cmake --preset i686 >/dev/null
cmake --build --preset i686 -j2

echo "== Building the product and its tests for 64-bit Windows (build/x86_64)"
cmake --preset x86_64 -DKELVANE_I686_BIN_DIR="$root/build/i686/bin" >/dev/null
cmake --build --preset x86_64 -j2

echo "== Preparing the test Wine prefix"
prefix="$root/build/x86_64/wineprefix"
sh cmake/wine-prefix.sh "$prefix" null
# One warm wineserver for the whole run: each program start is then cheap.
WINEPREFIX="$prefix" /usr/lib/wine/wineserver -p
# Wine's own background services start with the first program and, under a
# persistent server, live on with the output pipes of whoever started them:
# start them here, away from the pipes through which ctest reads the tests.
WINEPREFIX="$prefix" WINEDEBUG=-all /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT

echo "== Running the tests"
ctest --preset x86_64
