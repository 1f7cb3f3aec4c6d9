#!/bin/sh
# Figures of size and speed, printed in one run: sh bench/bench.sh [rounds]
# (sh bench/bench.sh --peer [rounds] runs the comparison with NSIS alone)
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
#     same rounds (tools/bench/bench_driver.cpp);
#   - the 32-bit setup.exe beside an NSIS 3 installer that does its job
#     (bench/nsis_peer.nsi, built with makensis from Debian's nsis), for
#     the 320-byte stand-in application and stand-ins grown to 4 and 16 MB
#     (make_payload.py --padded; each size is a build of its own,
#     build/bench-4m and build/bench-16m). Both 32-bit, under the same warm
#     Wine, taking turns, timed by one driver's clock: to the licence and to
#     the closing message, with the ratios ours / NSIS. Where the kernel
#     runs no 32-bit code both run under the same emulator, so the ratios
#     still compare like with like.
# A benchmark, not a test: it prints figures and judges nothing.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
peer_only=no
if [ "${1:-}" = --peer ]; then
    peer_only=yes
    shift
fi
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

warm_wine() {
    sh cmake/wine-prefix.sh "$prefix" null
    export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    /usr/lib/wine/wineserver -p
    trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
    # The prefix's services start with this first program; they must not hold
    # on to this script's output.
    $wine cmd /c exit >/dev/null 2>&1 </dev/null
}

# One application size: its payload, setup.exe built with it, the NSIS peer
# built with it, each in a work folder of its own in the prefix.
prepare_size() {
    label=$1 bytes=$2
    payload="$root/desktop/placer/content/kelvane.prc"
    build_dir="build/i686"
    if [ "$bytes" -gt 0 ]; then
        payload="$root/build/bench/payload-$label.prc"
        [ -f "$payload" ] || python3 desktop/placer/content/make_payload.py --padded "$bytes" "$payload" >/dev/null
        build_dir="build/bench-$label"
        [ -f "$build_dir/CMakeCache.txt" ] || cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=MinSizeRel \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686.cmake" -DKELVANE_PAYLOAD="$payload" >/dev/null
        cmake --build "$build_dir" -j2 --target setup >/dev/null
    fi
    folder="$work_folder/$label"
    rm -rf "$folder"
    mkdir -p "$folder/ours" "$folder/nsis"
    cp "$build_dir/bin/setup.exe" "$folder/ours/"
    makensis -V1 -DPAYLOAD="$payload" -DLICENSE="$root/desktop/placer/content/license.txt" \
        -DOUTFILE="$folder/nsis/nsis_peer.exe" bench/nsis_peer.nsi
    printf '   %-9s setup.exe %9s bytes, nsis_peer.exe %9s bytes\n' "$label" \
        "$(stat -c %s "$folder/ours/setup.exe")" "$(stat -c %s "$folder/nsis/nsis_peer.exe")"
}

peer_bench() {
    echo
    echo "== setup.exe against a one-program NSIS 3 installer doing its job (both 32-bit)"
    echo "   one Palm user, the licence accepted at once; under the same warm Wine, taking"
    echo "   turns, timed by one driver's clock; $rounds rounds after one warm-up each"
    command -v makensis >/dev/null || { echo "   makensis is missing (Debian's nsis)"; exit 1; }
    build i686 setup bench_driver
    rm -rf "$work_folder"
    mkdir -p build/bench
    prepare_size standin 0
    prepare_size 4m 4194304
    prepare_size 16m 16777216
    emulated="natively"
    [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] && emulated="under QEMU's user-mode emulation"
    echo "   32-bit programs run $emulated; load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
    for label in standin 4m 16m; do
        echo
        echo "-- $label"
        $wine build/i686/bin/bench_driver.exe --peer 'C:\Palm' "C:\\Kelvane Bench\\$label\\ours" \
            "C:\\Kelvane Bench\\$label\\nsis" "$rounds"
    done
}

if [ $peer_only = yes ]; then
    warm_wine
    peer_bench
    exit 0
fi

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
aim setup.exe 46592
aim placer.exe 29696
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
warm_wine
rm -rf "$work_folder"
mkdir -p "$work_folder"
cp build/x86_64/bin/setup.exe "$work_folder/"
echo "   load average before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
$wine build/x86_64/bin/bench_driver.exe 'C:\Palm' 'C:\Kelvane Bench' "$rounds"
peer_bench
