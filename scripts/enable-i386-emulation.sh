#!/bin/sh
# Makes 32-bit (i386) Linux programs run, which the 32-bit Wine is.
#
# An ordinary kernel runs them itself: then nothing is done. A kernel built
# without IA-32 emulation refuses them; then QEMU's user-mode emulator is
# registered for i386 ELF files in binfmt_misc. Debian 12's own QEMU 7.2
# would take minutes per Windows program start (it ignores
# MAP_FIXED_NOREPLACE, so Wine's address-space reservation turns into tens
# of thousands of mmap calls); the backports suite of the machine's own
# Debian archive has a current one.
set -e
probe=/usr/lib/wine/wine   # the 32-bit Wine loader, an i386 ELF program

# The 32-bit loader prints its version only where it really runs; a kernel
# that refuses it fails in exec, whatever the shell then makes of that.
runs_i386() {
    "$probe" --version 2>/dev/null | grep -q '^wine-'
}

qemu_version_ok() {
    version=$(dpkg-query -W -f='${Version}' qemu-user-static 2>/dev/null | sed 's/^[0-9]*://')
    [ -n "$version" ] || return 1
    major=${version%%.*}
    [ "$major" -ge 8 ] 2>/dev/null
}

# The address of the machine's own Debian archive, read from its apt sources
# (deb822 or one-line form); the security archive is a different one.
debian_archive() {
    codename=$1
    {
        for file in /etc/apt/sources.list.d/*.sources; do
            [ -f "$file" ] || continue
            awk -v suite="$codename" '
                /^[ \t]*$/ { if (uris != "" && has) print uris; uris = ""; has = 0; next }
                /^URIs:/ { uris = $2 }
                /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) has = 1 }
                END { if (uris != "" && has) print uris }' "$file"
        done
        cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
            awk -v suite="$codename" '$1 == "deb" { u = ""; for (i = 2; i <= NF; i++) { if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; continue } if (u == "") { u = $i; continue } if ($i == suite) print u; break } }'
    } | grep -v security | head -n 1
}

install_backports_qemu() {
    qemu_version_ok && return 0
    . /etc/os-release
    list=/etc/apt/sources.list.d/kelvane-backports.list
    if [ ! -f "$list" ]; then
        archive=$(debian_archive "$VERSION_CODENAME")
        if [ -z "$archive" ]; then
            echo "No Debian archive in the apt sources: cannot add $VERSION_CODENAME-backports." >&2
            exit 1
        fi
        echo "deb $archive $VERSION_CODENAME-backports main" > "$list"
    fi
    apt-get update -q || apt-get update -q || true   # a mirror in mid-sync
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
        -t "$VERSION_CODENAME-backports" qemu-user-static
    qemu_version_ok || { echo "qemu-user-static 8 or newer could not be installed." >&2; exit 1; }
}

# Registers qemu-i386 for i386 ELF programs. P keeps argv[0] as the program
# gave it (Wine re-executes its loader); F opens the emulator now, so a
# registration made before a QEMU upgrade still points at the old binary:
# such an entry is replaced.
register_binfmt() {
    binfmt=/proc/sys/fs/binfmt_misc
    [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
    entry=$binfmt/kelvane-i386
    emulator=/usr/bin/qemu-i386-static
    stamp=$(stat -c %Y "$emulator")
    if [ -e "$entry" ] && [ -f /run/kelvane-i386.stamp ] && [ "$(cat /run/kelvane-i386.stamp)" = "$stamp" ]; then
        return 0
    fi
    [ -e "$entry" ] && echo -1 > "$entry"
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf ':kelvane-i386:M::%s:%s:%s:PF\n' "$magic" "$mask" "$emulator" > $binfmt/register
    echo "$stamp" > /run/kelvane-i386.stamp
}

if [ ! -x "$probe" ]; then
    echo "The 32-bit Wine ($probe) is not installed." >&2
    exit 1
fi
if runs_i386 && [ ! -e /proc/sys/fs/binfmt_misc/kelvane-i386 ]; then
    exit 0   # the kernel runs 32-bit programs itself
fi
if [ "$(id -u)" -ne 0 ]; then
    echo "Run as root: this kernel runs no 32-bit programs, and QEMU must be set up for them." >&2
    exit 1
fi
echo "This kernel runs no 32-bit programs: QEMU user-mode emulation takes them."
install_backports_qemu
register_binfmt
if ! runs_i386; then
    echo "32-bit programs still do not run, even with $emulator registered." >&2
    exit 1
fi
