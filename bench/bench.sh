#!/bin/sh
# Figures of size and speed, printed in one run: sh bench/bench.sh [rounds]
#   - the sizes of setup.exe, placer.exe and worker.exe for both
#     architectures, and of setup.exe less the two programs it carries;
#   - the DLLs each program imports;
#   - the chain's wall time under Wine (64-bit build only, null display
#     driver, warm wineserver, a Palm Desktop of one user, so no user
#     dialog). The 32-bit programs run under QEMU's emulation where the
#     kernel runs no 32-bit code, so their times would measure the emulator,
#     not the product, and compare with nothing a person sees. Timed from
#     starting setup.exe to the licence dialog and to the final message,
#     beside the floor of three trivial program starts, measured in the
#     same rounds (tools/bench/bench_driver.cpp).
# A benchmark, not a test: it prints figures and judges nothing.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
rounds=${1:-5}
prefix="$root/build/bench/wineprefix"
work_folder="$prefix/drive_c/Kelvane Bench"
wine=/usr/lib/wine/wine64
programs="setup.exe placer.exe worker.exe"

build() {
    preset=$1
    shift
    [ -f "build/$preset/CMakeCache.txt" ] || cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j2 --target "$@" >/dev/null
}

size_of() {
    stat -c %s "build/$1/bin/$2"
}

launcher_own_size() {
    echo $(($(size_of "$1" setup.exe) - $(size_of "$1" placer.exe) - $(size_of "$1" worker.exe)))
}

echo "== Building what is missing or out of date (build/i686, build/x86_64)"
build i686 setup
build x86_64 setup bench_driver empty_program

echo
echo "== Program sizes in bytes"
printf '%-36s %10s %10s\n' "" i686 x86_64
for program in $programs; do
    printf '%-36s %10s %10s\n' "$program" "$(size_of i686 "$program")" "$(size_of x86_64 "$program")"
done
printf '%-36s %10s %10s\n' "setup.exe less the two it carries" "$(launcher_own_size i686)" "$(launcher_own_size x86_64)"

echo
echo "== The 32-bit programs against the sizes aimed at"
aim() {
    size=$(size_of i686 "$1")
    verdict="within"
    [ "$size" -le "$2" ] || verdict="OVER"
    printf '%-36s %10s of %6s  %s\n' "$1" "$size" "$2" "$verdict"
}
aim setup.exe 45056
aim placer.exe 28672
aim worker.exe 12288

echo
echo "== DLLs imported"
for arch in i686 x86_64; do
    for program in $programs; do
        dlls=$($arch-w64-mingw32-objdump -p "build/$arch/bin/$program" | awk '/DLL Name/ { print $3 }' | tr '\n' ' ' | sed 's/ $//')
        printf '%-7s %-11s %s\n' "$arch" "$program" "$dlls"
    done
done

echo
echo "== Chain wall time under Wine: x86_64 build, null display driver, warm wineserver"
echo "   (the 64-bit build only: here the 32-bit programs run emulated, and an"
echo "   emulated time measures the emulator, not the product)"
echo "   one Palm user (no user dialog), Yes pressed at once; $rounds rounds after one warm-up"
sh cmake/wine-prefix.sh "$prefix" null
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wineserver -p
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
# The prefix's services start with this first program; they must not hold
# on to this script's output.
$wine cmd /c exit >/dev/null 2>&1 </dev/null
rm -rf "$work_folder"
mkdir -p "$work_folder"
cp build/x86_64/bin/setup.exe "$work_folder/"
echo "   load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
$wine build/x86_64/bin/bench_driver.exe 'C:\Palm' 'C:\Kelvane Bench' "$rounds"
