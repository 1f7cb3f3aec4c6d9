#!/bin/sh
# Runs a Windows program of this build as on a Japanese Windows, whose ANSI
# code page is 932, in a Wine prefix of its own:
#   code_page_932.sh BUILD_DIR SOURCE_DIR PROGRAM [ARGUMENT...]
# Wine takes the code page from the Unix locale. The locale is generated
# into the build folder (localedef, with the sources of the package
# "locales"), so no setting of the machine is needed or changed.
set -e
build=$1
source=$2
shift 2
locales="$build/locale"
if [ ! -f "$locales/ja_JP.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$locales"
    localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" >&2 || [ -f "$locales/ja_JP.UTF-8/LC_CTYPE" ]
fi
export LOCPATH="$locales" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEPREFIX="$build/wineprefix-cp932" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
sh "$source/cmake/wine-prefix.sh" "$WINEPREFIX" null >&2
exec /usr/lib/wine/wine64 "$@"
