#!/bin/sh
# Builds the setup program a maker ships, into dist/:
#   setup.exe     the 32-bit setup, with the maker's content, signed on request
#   SHA256SUMS    checksums of setup.exe and release.txt (sha256sum -c reads it)
#   release.txt   commit, program sizes and imports, checksums of the content,
#                 the maker's lines
#
# sh scripts/release.sh [--payload FILE.prc] [--license FILE.txt] [--icon FILE.ico]
#                       [--support-email ADDRESS] [--web-line TEXT] [--rights-notice TEXT]
#                       [--sign CERT.p12 --password-file FILE [--ca CERTS.pem]]
#                       [--out DIR] [--work DIR]
#
# Content not given is the stand-in in desktop/placer/content/, a line not
# given the stand-in in cmake/maker_lines.cmake; lines are checked before
# anything is built (tools/release/check_lines.py). The product is
# built twice, in two folders under --work (default build/release); programs
# that differ, or that hold either folder's path, are refused. Signing comes
# after that comparison, with osslsigncode (Authenticode, SHA-256), and the
# signature is verified against --ca, by default the certificates in CERT.p12
# together with the system's trusted ones.
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

payload="" license="" icon="" cert="" password_file="" ca="" out="" work=""
# A line is passed on only when given (set, even if empty).
unset support_email web_line rights_notice
while [ $# -gt 0 ]; do
    [ $# -ge 2 ] || fail "$1 needs a value"
    case $1 in
        --payload) payload=$(absolute "$2") ;;
        --license) license=$(absolute "$2") ;;
        --icon) icon=$(absolute "$2") ;;
        --support-email) support_email=$2 ;;
        --web-line) web_line=$2 ;;
        --rights-notice) rights_notice=$2 ;;
        --sign) cert=$(absolute "$2") ;;
        --password-file) password_file=$(absolute "$2") ;;
        --ca) ca=$(absolute "$2") ;;
        --out) mkdir -p "$2"; out=$(absolute "$2") ;;
        --work) mkdir -p "$2"; work=$(absolute "$2") ;;
        *) fail "unknown option $1 (see the top of scripts/release.sh)" ;;
    esac
    shift 2
done
if [ -n "$cert" ] && [ -z "$password_file" ]; then
    fail "--sign needs --password-file"
fi

cd "$(dirname "$0")/.."
root=$(pwd)
out=${out:-$root/dist}
work=${work:-$root/build/release}
sh scripts/install-packages.sh
python3 tools/release/check_lines.py ${support_email+"--support-email=$support_email"} \
    ${web_line+"--web-line=$web_line"} ${rights_notice+"--rights-notice=$rights_notice"} ||
    exit 1

payload=${payload:-$root/desktop/placer/content/kelvane.prc}
license=${license:-$root/desktop/placer/content/license.txt}
icon=${icon:-$root/desktop/placer/content/product.ico}

# A clean build of the product only; the tests are not part of a release.
# CMake takes one pair of single quotes off a value given with -D, so each
# line is given in a pair of its own: one that starts and ends with a quote
# keeps it.
build() {
    folder=$work/$1
    echo "== Building the release in $folder"
    rm -rf "$folder"
    cmake -S "$root" -B "$folder" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel -DKELVANE_RUN_TESTS=OFF \
        -DKELVANE_PAYLOAD="$payload" -DKELVANE_LICENSE="$license" -DKELVANE_ICON="$icon" \
        ${support_email+"-DKELVANE_SUPPORT_EMAIL='$support_email'"} ${web_line+"-DKELVANE_WEB_LINE='$web_line'"} \
        ${rights_notice+"-DKELVANE_RIGHTS_NOTICE='$rights_notice'"} >/dev/null
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

# Only what a release writes goes: --out may name a folder holding more.
mkdir -p "$out"
rm -f "$out/setup.exe" "$out/SHA256SUMS" "$out/release.txt"
cp "$bin/setup.exe" "$out/setup.exe"

signature="none: setup.exe is unsigned"
if [ -n "$cert" ]; then
    echo "== Signing setup.exe"
    osslsigncode sign -pkcs12 "$cert" -readpass "$password_file" -h sha256 \
        -n "Kelvane Setup" -in "$bin/setup.exe" -out "$work/setup-signed.exe"
    if [ -z "$ca" ]; then
        ca=$work/signer-certificates.pem
        # Files written by older tools use ciphers OpenSSL 3 keeps in its
        # legacy provider.
        openssl pkcs12 -in "$cert" -passin "file:$password_file" -nokeys -out "$ca" 2>/dev/null ||
            openssl pkcs12 -legacy -in "$cert" -passin "file:$password_file" -nokeys -out "$ca"
        [ -f /etc/ssl/certs/ca-certificates.crt ] && cat /etc/ssl/certs/ca-certificates.crt >>"$ca"
    fi
    osslsigncode verify -in "$work/setup-signed.exe" -CAfile "$ca" >"$work/verify.log" 2>&1 || {
        cat "$work/verify.log" >&2
        fail "refused: the signature of setup.exe does not verify"
    }
    cp "$work/setup-signed.exe" "$out/setup.exe"
    subject=$(openssl pkcs12 -in "$cert" -passin "file:$password_file" -nokeys -clcerts 2>/dev/null |
        openssl x509 -noout -subject -nameopt oneline 2>/dev/null || echo "see the signature")
    signature="Authenticode SHA-256, verified with osslsigncode; signer $subject"
fi

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
    echo "Build: 32-bit Windows, MinSizeRel; two clean builds gave identical programs"
    echo "Signature: $signature"
    echo "setup.exe as built, before signing: $(sha "$bin/setup.exe")"
    echo
    echo "Program sizes (bytes):"
    printf '  %-11s %s\n' setup.exe "$(wc -c <"$out/setup.exe")"
    printf '  %-11s %s\n' placer.exe "$(wc -c <"$bin/placer.exe")"
    printf '  %-11s %s\n' worker.exe "$(wc -c <"$bin/worker.exe")"
    echo
    echo "Content (SHA-256 of the file given):"
    content_line "$payload" "$checked/kelvane.prc" payload
    content_line "$license" "$checked/license.txt" licence
    content_line "$icon" "$checked/product.ico" icon
    echo
    echo "Lines (as given, carried in Windows-1252):"
    for line in support:KELVANE_SUPPORT_EMAIL web:KELVANE_WEB_LINE rights:KELVANE_RIGHTS_NOTICE; do
        printf '  %-8s %s\n' "${line%%:*}" "$(cat "$work/one/maker_lines/${line#*:}.txt")"
    done
    echo
    echo "Imports:"
    for program in $programs; do
        echo "  $program"
        imports "$bin/$program"
    done
} >"$out/release.txt"
(cd "$out" && sha256sum setup.exe release.txt >SHA256SUMS)
echo "== Release in $out"
cat "$out/SHA256SUMS"
