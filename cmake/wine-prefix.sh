#!/bin/sh
# Makes a private Wine prefix once: wine-prefix.sh PREFIX null|x11 [win64|win32]
#   null   the null display driver: dialogs and message boxes work headless
#   x11    the ordinary driver, for runs on a real or virtual X display, with
#          Wine's own fonts and frames (as the demo and the preview show them)
#   win64  a 64-bit Windows, which runs 32-bit programs as WoW64 (default)
#   win32  a plain 32-bit Windows, as Windows 95 to XP were
# Safe to call from many processes at once; only the first one builds it.
set -e
prefix=$1
driver=${2:-null}
arch=${3:-win64}
[ -f "$prefix/.kelvane-ready" ] && exit 0
mkdir -p "$(dirname "$prefix")"
# Wine takes an absolute prefix only; a relative one made wineboot fail.
prefix=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.kelvane-ready" ] && exit 0
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$arch" = win32 ]; then
    export WINEARCH=win32
    wine=/usr/lib/wine/wine
else
    wine=/usr/lib/wine/wine64
fi
$wine wineboot -i >/dev/null 2>&1
if [ "$driver" = null ]; then
    $wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
else
    # Debian's Wine does not load its own fonts (package fonts-wine) from
    # where the package puts them, but it does from the prefix's Fonts
    # folder: the dialogs then look as on Windows, close box glyph included.
    cp -u /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/"
    # Wine draws the window frames itself, so they look the same with or
    # without a window manager, and the pictures show the captions.
    $wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
fi
# A crashing program must end, not wait behind a crash dialog.
$wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
/usr/lib/wine/wineserver -w
touch "$prefix/.kelvane-ready"
