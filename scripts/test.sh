#!/bin/sh
# Builds both architectures and runs every test, the README's test command.
#
# The product is the 32-bit (i686) build; its tests run under 32-bit Wine
# (emulated by QEMU where the kernel runs no 32-bit code) in two kinds of
# Windows:
#   i686-wow64   the whole suite in a 64-bit prefix: today's 64-bit Windows
#                running the 32-bit programs;
#   i686-win32   in a plain 32-bit Windows prefix: the end-to-end chain as
#                the prefix's own Windows and as Windows 95, 98, NT 4.0,
#                2000, XP, 7 and 10 in turn; the chain run from a download
#                folder with planted libraries; the programs' DLL search,
#                also as on a Windows without SetDefaultDllDirectories;
#   x86_64       the whole suite on the 64-bit build under wine64, the quick
#                second configuration.
# Each runs in a private prefix under its build folder. The run goes on past
# a failing configuration, prints each one's counts and the time of each
# part, and fails if any test failed.
set -e
cd "$(dirname "$0")/.."

log=build/test-logs
started=$(date +%s)
part_started=$started
times=""

part_done() {
    now=$(date +%s)
    times="$times$(printf '   %-40s %5d s' "$1" $((now - part_started)))
"
    part_started=$now
}

sh scripts/install-packages.sh
part_done "packages"

echo "== Building the product and its tests for 32-bit Windows (build/i686)"
cmake --preset i686 >/dev/null
cmake --build --preset i686 -j2
part_done "build i686"

echo "== Building the product and its tests for 64-bit Windows (build/x86_64)"
cmake --preset x86_64 >/dev/null
cmake --build --preset x86_64 -j2
part_done "build x86_64"

mkdir -p "$log"
summary=""
failed=0
total_passed=0
total_failed=0
total_skipped=0

# run_configuration NAME PRESET ARCH [ctest arguments...]
run_configuration() {
    name=$1
    shift
    echo "== Running the tests: $name"
    sh scripts/run-suite.sh "$@" --output-on-failure 2>&1 | tee "$log/$name.txt" || true
    # ctest's closing line: "NN% tests passed, F tests failed out of T"
    counts=$(sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\).*/\1 \2/p' "$log/$name.txt" | tail -n 1)
    if [ -z "$counts" ]; then
        summary="$summary$name: did not run to the end (see $log/$name.txt)
"
        failed=1
        part_done "tests $name"
        return
    fi
    # A skipped test (one that needs another kind of prefix) is not a pass.
    skipped=$(grep -c '(Skipped)$' "$log/$name.txt" || true)
    set -- $counts
    passed=$(($2 - $1 - skipped))
    [ "$1" -eq 0 ] || failed=1
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + $1))
    total_skipped=$((total_skipped + skipped))
    summary="$summary$name: $passed passed, $1 failed, $skipped skipped
"
    part_done "tests $name"
}

run_configuration i686-wow64 i686 win64 -E '^Windows/'
run_configuration i686-win32 i686 win32 -R 'ChainTest|ChainInHostileFolder|LibrarySearch'
run_configuration x86_64 x86_64 win64 -E '^Windows/'

echo
echo "== Time of each part"
printf '%s' "$times"
printf '   %-40s %5d s\n' "all" $(($(date +%s) - started))
echo
echo "== Summary (the chain on Windows 95 to 10 runs in i686-win32)"
printf '%s' "$summary"
echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
exit $failed
