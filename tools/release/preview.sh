#!/bin/sh
# The release's look at its setup as a person meets it, on an X display
# (scripts/release.sh runs it under the demo's virtual one):
#   preview.sh TOOLS SETUP.EXE PLACER.EXE PREFIX PICTURES SHOWN
# In PREFIX (made once, as the demo's: Wine's own fonts and frames), first
# TOOLS/measure_lines.exe measures the maker's lines in the licence dialog
# of PLACER.EXE and writes its rows, in UTF-8, to SHOWN; then SETUP.EXE runs
# from "C:\Kelvane Setup" on the demo's example Palm Desktop of two users,
# answered by the demo's driver, which saves a PNG of each dialog and
# message into PICTURES, and its rows go to SHOWN too. Exit code 0 when all went so, 1 when a line does
# not fit (SHOWN names it), 2 when something else failed (said on stderr).
set -u
tools=$1 setup=$2 placer=$3 prefix=$4 pictures=$5 shown=$6
wine=/usr/lib/wine/wine64
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
windows_path() {
    echo "Z:$1" | tr / '\\'
}
stop() {
    /usr/lib/wine/wineserver -k 2>/dev/null
    exit "$1"
}
sh "$(dirname "$0")/../../cmake/wine-prefix.sh" "$prefix" x11 || {
    echo "cannot make the preview's Wine prefix $prefix" >&2
    exit 2
}
scratch="$prefix/drive_c/measure"
mkdir -p "$scratch"
$wine "$tools/measure_lines.exe" "$(windows_path "$placer")" 'C:\measure' >"$shown.cp1252"
measured=$?
iconv -f cp1252 -t utf-8 "$shown.cp1252" >"$shown" && rm -f "$shown.cp1252"
[ $measured -eq 0 ] || {
    [ $measured -eq 1 ] || echo "the maker's lines could not be measured: $(grep -v '^shown' "$shown")" >&2
    stop $((measured == 1 ? 1 : 2))
}

work_folder="$prefix/drive_c/Kelvane Setup"
rm -rf "$work_folder" "$pictures"
mkdir -p "$work_folder"
cp "$setup" "$work_folder/"
if ! $wine "$tools/example_desktop.exe" 'C:\Palm' 2 >"$prefix/preview.log" 2>&1 ||
    ! $wine "$tools/demo_driver.exe" 'C:\Kelvane Setup' "$(windows_path "$pictures")" >>"$prefix/preview.log" 2>&1; then
    echo "the setup did not run its chain of dialogs: $(tr '\n' ' ' <"$prefix/preview.log")" >&2
    stop 2
fi
# The driver's row per picture: its name, the caption, what it showed.
grep '\.png' "$prefix/preview.log" | iconv -f cp1252 -t utf-8 >>"$shown"
stop 0
