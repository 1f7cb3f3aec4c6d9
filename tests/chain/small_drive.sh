#!/bin/sh
# Runs a Windows program of this build with a real small file system in
# reach: a tmpfs of 128 KiB, mounted in the build folder and named to the
# program in KELVANE_SMALL_DRIVE (Wine shows it under drive Z:). It fills
# up as a full disk does, page by page.
#   small_drive.sh BUILD_DIR PROGRAM [ARGUMENT...]
# Mounting needs root, as the README's test command runs; otherwise this
# fails and says so. The file system is unmounted however the program ends.
set -e
build=$1
shift
if [ "$(id -u)" -ne 0 ]; then
    echo "small_drive.sh: mounting the small file system needs root; run the tests as root" >&2
    exit 1
fi
drive="$build/small-drive"
mkdir -p "$drive"
mountpoint -q "$drive" && umount "$drive"
mount -t tmpfs -o size=128k,mode=0777 tmpfs "$drive"
trap 'umount "$drive"' EXIT
trap 'exit 1' INT TERM HUP
status=0
KELVANE_SMALL_DRIVE="$drive" "$build/wine-run.sh" "$@" || status=$?
exit $status
