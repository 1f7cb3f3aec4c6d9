#!/bin/sh
# Builds the setup program a maker ships, into dist/:
#   setup.exe     the 32-bit setup, with the maker's content, signed on request
#   SHA256SUMS    checksums of setup.exe and release.txt (sha256sum -c reads it)
#   release.txt   commit, program sizes and imports, checksums of the content,
#                 the maker's lines and how they are shown, the signatures
#   preview/      a picture of each dialog and message of the setup
#
# sh scripts/release.sh [--payload FILE.prc [--payload FILE.pdb|.prc|.pqa]...] [--license FILE.txt] [--icon FILE.ico]
#     [--support-email ADDRESS] [--web-line TEXT] [--rights-notice TEXT]
#     [--edition NAME] [--version X.Y.Z]
#     [one way to sign:
#        --pkcs11-module MODULE --key PKCS11-URI --cert CERTS.pem --pin-file FILE
#      | --sign CERT.p12 --password-file FILE
#      | --sign-command 'COMMAND {}'
#      and --timestamp URL --tsa-ca CERTS.pem --ca CERTS.pem as needed]
#     [--out DIR] [--work DIR] [--incremental]
#
# --payload may be given up to 16 times: the application first (queued as
# kelv.prc), then each further database, queued under its file's name; all
# are checked together (tools/release/check_content.py databases) before
# anything is built.
# Content not given is the stand-in in desktop/placer/content/, a line not
# given the stand-in in cmake/maker_lines.cmake; lines are checked before
# anything is built (tools/release/check_lines.py). The product is
# built twice, in two folders under --work (default build/release); programs
# that differ, or that hold either folder's path, are refused. Signing comes
# after that comparison: tools/release/sign_release.py signs every program,
# inside out, and verifies each signature (its top says how). The release is
# put together in --work and lands in --out (default dist/) whole, in one
# step, by tools/release/land.py: --out holds the earlier release or the new
# one, never a mix, and a refused release leaves it as it was.
# Before that, on the demo's virtual display, each of the maker's lines is
# measured where the licence dialog shows it (one that would wrap or be cut
# is refused), and the signed setup.exe runs its dialogs on the demo's
# example Palm Desktop, a picture of each kept in preview/
# (tools/release/preview.sh).
#
# --incremental builds in the folders that an earlier run left under --work
# instead of from clean: quicker when only the signing options change (the
# release tests use it). The two builds are still compared, and release.txt
# says they were incremental. A release to ship is built clean.
set -e

fail() {
    echo "release: $*" >&2
    exit 1
}

# Paths are taken relative to where the script was started.
absolute() {
    [ -e "$1" ] || fail "no such file: $1"
    (cd "$(dirname "$1")" && echo "$(pwd)/$(basename "$1")")
}

# A folder that may not exist yet: it is made only when the release lands.
absolute_folder() {
    case $1 in
        /*) echo "$1" ;;
        *) echo "$(pwd)/$1" ;;
    esac
}

# One shell word holding the value, whatever it contains: the signing
# options are handed on to the signing tool through eval.
quoted() {
    printf "'%s'" "$(printf '%s' "$1" | sed "s/'/'\\\\''/g")"
}

payload="" license="" icon="" out="" work="" signing="" incremental=no
started_in=$(pwd)
# A line is passed on only when given (set, even if empty).
unset support_email web_line rights_notice edition version
while [ $# -gt 0 ]; do
    if [ "$1" = --incremental ]; then
        incremental=yes
        shift
        continue
    fi
    [ $# -ge 2 ] || fail "$1 needs a value"
    # An empty value is mostly an unset variable in the maker's script.
    [ -n "$2" ] || fail "$1 needs a value, not an empty one"
    case $1 in
        # The databases go to CMake as a list, which a ';' would split.
        --payload)
            case $2 in *\;*) fail "$2: payload refused: a ';' in its path" ;; esac
            payload="${payload:+$payload;}$(absolute "$2")" ;;
        --license) license=$(absolute "$2") ;;
        --icon) icon=$(absolute "$2") ;;
        --support-email) support_email=$2 ;;
        --web-line) web_line=$2 ;;
        --rights-notice) rights_notice=$2 ;;
        --edition) edition=$2 ;;
        --version) version=$2 ;;
        --pkcs11-module | --key | --cert | --pin-file | --sign | --password-file | --sign-command | \
            --timestamp | --tsa-ca | --ca) signing="$signing $1 $(quoted "$2")" ;;
        --out) out=$(absolute_folder "$2") ;;
        --work) mkdir -p "$2"; work=$(absolute "$2") ;;
        *) fail "unknown option $1 (see the top of scripts/release.sh)" ;;
    esac
    shift 2
done

cd "$(dirname "$0")/.."
root=$(pwd)
out=${out:-$root/dist}
work=${work:-$root/build/release}
sh scripts/install-packages.sh
/usr/bin/python3 tools/release/check_lines.py ${support_email+"--support-email=$support_email"} \
    ${web_line+"--web-line=$web_line"} ${rights_notice+"--rights-notice=$rights_notice"} \
    ${edition+"--edition=$edition"} ${version+"--version=$version"} ||
    exit 1
/usr/bin/python3 tools/release/land.py check --out "$out" || exit 1

# The signing tool runs where the release was started: the signing options'
# paths are taken from there, and a sign command runs there.
sign_release() {
    (cd "$started_in" && eval "set -- \"\$@\" $signing" && /usr/bin/python3 "$root/tools/release/sign_release.py" "$@")
}
# Signing options that cannot work stop the release before it builds.
sign_release check || exit 1

payload=${payload:-$root/desktop/placer/content/kelvane.prc}
# Every database checked, alone and as a set, before anything is built.
(IFS=';' && set -f && /usr/bin/python3 tools/release/check_content.py databases - $payload) || exit 1
license=${license:-$root/desktop/placer/content/license.txt}
icon=${icon:-$root/desktop/placer/content/product.ico}

# A clean build of the product only; the tests are not part of a release.
# CMake takes one pair of single quotes off a value given with -D, so each
# line is given in a pair of its own: one that starts and ends with a quote
# keeps it. A line not given is the stand-in again (-U), also in a folder
# that an earlier, incremental release configured with another.
build_kind=clean
[ $incremental = no ] || build_kind=incremental
build() {
    folder=$work/$1
    echo "== Building the release in $folder ($build_kind)"
    [ $incremental = yes ] || rm -rf "$folder"
    cmake -S "$root" -B "$folder" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DKELVANE_RUN_TESTS=OFF -DKELVANE_RELEASE_TOOLS=ON \
        -DKELVANE_PAYLOAD="$payload" -DKELVANE_LICENSE="$license" -DKELVANE_ICON="$icon" \
        ${support_email+"-DKELVANE_SUPPORT_EMAIL='$support_email'"} ${support_email-"-UKELVANE_SUPPORT_EMAIL"} \
        ${web_line+"-DKELVANE_WEB_LINE='$web_line'"} ${web_line-"-UKELVANE_WEB_LINE"} \
        ${rights_notice+"-DKELVANE_RIGHTS_NOTICE='$rights_notice'"} ${rights_notice-"-UKELVANE_RIGHTS_NOTICE"} \
        ${edition+"-DKELVANE_EDITION='$edition'"} ${edition-"-UKELVANE_EDITION"} \
        ${version+"-DKELVANE_VERSION='$version'"} ${version-"-UKELVANE_VERSION"} >/dev/null
    cmake --build "$folder" --target setup -j2
}

build one
build two
programs="setup.exe placer.exe worker.exe"
for program in $programs; do
    cmp -s "$work/one/bin/$program" "$work/two/bin/$program" ||
        fail "refused: $program differs between two builds of the same sources ($work/one, $work/two)"
    for path in "$root" "$work"; do
        if grep -qaF "$path" "$work/one/bin/$program"; then
            fail "refused: $program holds the build path $path"
        fi
    done
done
bin=$work/one/bin
checked=$work/one/desktop/placer/checked
# The tools that measure and picture it, built with the same lines.
cmake --build "$work/one" --target measure_lines example_desktop demo_driver -j2 >/dev/null ||
    fail "could not build the preview's tools in $work/one"

# The release is put together here; --out is not touched before it is whole.
stage=$work/stage
rm -rf "$stage"
mkdir -p "$stage"
sign_release sign --build "$work/one" --stage "$stage" || exit 1

# The lines measured, one that does not fit refused, and the pictures made
# (into the stage), on the demo's virtual display.
shown=$work/shown.txt
preview() {
    status=0
    xvfb-run -a -s "-screen 0 1024x768x24" sh "$root/tools/release/preview.sh" "$bin" "$stage/setup.exe" \
        "$bin/placer.exe" "$work/preview-prefix" "$stage/preview" "$shown" || status=$?
    if [ $status -eq 1 ]; then
        grep ' refused: ' "$shown" | sed 's/^/release: /' >&2
        exit 1
    fi
    [ $status -eq 0 ] || fail "refused: the preview of setup.exe did not run (above)"
}
preview

# How the maker's lines are shown (release.txt), and the pictures.
shown_lines() {
    echo "As shown under Wine (pixels: the text's width x height in the room of its place, of which a tenth is kept free):"
    grep '^shown ' "$shown" | sed 's/^shown  /  /'
    echo
    echo "Preview (preview/, a picture of each dialog and message, taken as the demo's driver answered it):"
    grep '\.png' "$shown"
}

sha() {
    sha256sum "$1" | cut -d' ' -f1
}

# "DLL: Function, Function" per imported DLL, from objdump's import table.
imports() {
    i686-w64-mingw32-objdump -p "$1" | awk '
        /^\tDLL Name:/ { if (dll != "") print "    " dll ": " names; dll = $3; names = ""; next }
        dll != "" && /^\t[0-9a-f]+\t/ { names = names (names == "" ? "" : ", ") $NF; next }
        dll != "" && /^$/ && names != "" { print "    " dll ": " names; dll = "" }
        END { if (dll != "") print "    " dll ": " names }'
}

content_line() {
    given=$1 carried=$2 label=$3
    line=$(printf '  %-8s %s  %s' "$label" "$(sha "$given")" "$(basename "$given")")
    if ! cmp -s "$given" "$carried"; then
        line="$line (carried as converted: $(sha "$carried"))"
    fi
    echo "$line"
}

commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    commit="$commit, with uncommitted changes"
fi
{
    echo "Kelvane setup release"
    echo "Commit: $commit"
    echo "Build: 32-bit Windows, MinSizeRel; two $build_kind builds gave identical programs"
    cat "$stage/signatures.txt"
    echo
    cat "$stage/programs.txt"
    echo
    echo "Content (SHA-256 of the file given):"
    content_line "${payload%%;*}" "$checked/kelvane.prc" payload
    content_line "$license" "$checked/license.txt" licence
    content_line "$icon" "$checked/product.ico" icon
    echo
    echo "Databases queued (name, database name, type, creator, size, SHA-256):"
    cat "$checked/databases.txt"
    echo
    shown_lines
    echo
    echo "Lines (as given, carried in Windows-1252):"
    for line in support:KELVANE_SUPPORT_EMAIL web:KELVANE_WEB_LINE rights:KELVANE_RIGHTS_NOTICE \
        edition:KELVANE_EDITION version:KELVANE_VERSION; do
        printf '  %-8s %s\n' "${line%%:*}" "$(cat "$work/one/maker_lines/${line#*:}.txt")"
    done
    echo
    echo "Imports:"
    for program in $programs; do
        echo "  $program"
        imports "$bin/$program"
    done
} >"$stage/release.txt"
(cd "$stage" && sha256sum setup.exe release.txt preview/*.png >SHA256SUMS)

/usr/bin/python3 tools/release/land.py --stage "$stage" --out "$out" || exit 1
echo "== Release in $out"
cat "$out/SHA256SUMS"
