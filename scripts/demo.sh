#!/bin/sh
# The demo, the README's first command: sh scripts/demo.sh [--headless]
#
# Installs what it needs (Debian 12, as root), builds the 32-bit product (the
# setup.exe a person gets) and the demo's helpers, makes a demo Wine prefix
# (build/demo/wineprefix, a 64-bit Windows that runs the 32-bit programs as
# today's Windows does) with an example Palm Desktop of two users, and runs
# setup.exe from "C:\Kelvane Setup" in it.
#   With a usable display, you click through the dialogs yourself.
#   Without one (no DISPLAY, CI set, or --headless) it runs on a virtual X
#   server: tools/demo/demo_driver.cpp chooses the second user and says Yes,
#   and saves a picture of every dialog into demo-output/.
# Then it shows what was queued and plays the next HotSync with the
# stand-in (tools/hotsync). Exit code 0 when everything worked.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
bin="$root/build/i686/bin"
prefix="$root/build/demo/wineprefix"
pictures="$root/demo-output"
wine=/usr/lib/wine/wine64
palm_desktop='C:\Palm'
palm_folder="$prefix/drive_c/Palm"
work_folder="$prefix/drive_c/Kelvane Setup"
hotsync_key='HKCU\Software\Palm Computing\Pilot Desktop\HotSync Manager'
# The example desktop's users, as tools/common/example_desktop.cpp makes
# them (name:folder:slot); the driver chooses the second.
example_users='Ann Smith:SmithA:1
Bob Jones:JonesB:2'
chosen_folder=JonesB
chosen_slot=2

# ---- Second stage: runs on the chosen display, real or virtual.
run_demo() {
    mode=$1
    export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT

    echo "== Demo Wine prefix: build/demo/wineprefix (ordinary X11 display driver)"
    if ! sh cmake/wine-prefix.sh "$prefix" x11; then
        echo "Could not make the demo Wine prefix." >&2
        return 1
    fi

    echo "== Example Palm Desktop (previous run cleared)"
    $wine "$bin/example_desktop.exe" "$palm_desktop" 2
    rm -rf "$work_folder"
    mkdir -p "$work_folder"
    cp "$bin/setup.exe" "$work_folder/"
    echo "   setup.exe: $(i686-w64-mingw32-objdump -f "$bin/setup.exe" | sed -n 's/.*file format //p') (32-bit Windows), $(stat -c %s "$bin/setup.exe") bytes"

    if [ "$mode" = display ]; then
        echo '== Running C:\Kelvane Setup\setup.exe: the dialogs are yours to answer'
        echo "   (the demo goes on once the last program of the chain has ended)"
        (cd "$work_folder" && $wine setup.exe)
        /usr/lib/wine/wineserver -w
    else
        echo '== Running C:\Kelvane Setup\setup.exe on a virtual display; the driver answers'
        rm -rf "$pictures"
        if ! $wine "$bin/demo_driver.exe" 'C:\Kelvane Setup' "Z:$(echo "$pictures" | tr / '\\')"; then
            echo "The chain did not run as expected." >&2
            return 1
        fi
        echo "   Pictures of the dialogs: $pictures/"
    fi

    show_queue
    if [ "$mode" = headless ]; then
        check_queued || return 1
    fi

    echo '== Next HotSync: tools/hotsync stand-in (C:\handheld is the handheld)'
    $wine "$bin/hotsync_standin.exe"
    echo "   Flags now:"
    show_flags
}

install_flag() {
    $wine reg query "$hotsync_key" /v "Install$1" 2>/dev/null | tr -d '\r' | awk -v name="Install$1" '$1 == name { print $3 }'
}

show_queue() {
    echo "== What was queued"
    echo "$example_users" | while IFS=: read -r name folder slot; do
        install="$palm_folder/$folder/install"
        printf '   %s: install folder %s\\%s\\install\n' "$name" "$palm_desktop" "$folder"
        echo "      (build/demo/wineprefix/drive_c/Palm/$folder/install)"
        found=no
        for file in "$install"/*; do
            [ -f "$file" ] || continue
            found=yes
            echo "      $(basename "$file"), $(stat -c %s "$file") bytes"
        done
        [ $found = yes ] || echo "      (empty)"
        echo "      install flag Install$slot = $(install_flag "$slot")"
    done
}

show_flags() {
    echo "$example_users" | while IFS=: read -r name folder slot; do
        echo "      $name: Install$slot = $(install_flag "$slot")"
    done
}

check_queued() {
    if ! [ -f "$palm_folder/$chosen_folder/install/kelv.prc" ] || [ "$(install_flag $chosen_slot)" != 0x1 ]; then
        echo "Nothing was queued for the chosen user." >&2
        return 1
    fi
}

display_usable() {
    [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ] && xdpyinfo >/dev/null 2>&1
}

if [ "${1:-}" = --run ]; then
    run_demo "$2"
    exit
fi

# ---- First stage: packages, build, and the choice of display.
started=$(date +%s)
sh scripts/install-packages.sh
echo "== Building the 32-bit product and the demo's helpers (build/i686)"
cmake --preset i686 >/dev/null
cmake --build --preset i686 -j2 --target setup example_desktop demo_driver hotsync_standin

status=0
if [ "${1:-}" != --headless ] && display_usable; then
    sh "$root/scripts/demo.sh" --run display || status=$?
else
    echo "== No usable display: a virtual X server (xvfb-run) takes its place"
    xvfb-run -a -s "-screen 0 1024x768x24" sh "$root/scripts/demo.sh" --run headless || status=$?
fi
echo "== Demo took $(($(date +%s) - started)) s"
if [ $status -ne 0 ]; then
    echo "The demo FAILED." >&2
fi
exit $status
