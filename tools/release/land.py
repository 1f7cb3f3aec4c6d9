#!/usr/bin/env python3
"""Lands a release in its folder whole, or not at all (scripts/release.sh
runs it):

    land.py check --out DIR
    land.py --stage STAGE --out DIR

DIR holds a release and nothing else: setup.exe, SHA256SUMS and release.txt
(and a preview/ folder when the release has one). The new release is copied
from STAGE into a folder beside DIR and written to disk; then that folder
and DIR trade names in one step (renameat2 with RENAME_EXCHANGE), and the
earlier release, now under the other name, is removed. Wherever the run
stops, DIR holds the earlier release or the new one, never a mix; whatever
stood under a release's name in DIR (a folder, a read-only file) goes with
the earlier release. A refusal prints one line and leaves DIR as it was.
check: what can be checked before the release builds.
"""
import argparse
import ctypes
import os
import shutil
import sys

RELEASE_FILES = ("setup.exe", "SHA256SUMS", "release.txt")
RELEASE_FOLDERS = ("preview",)
AT_FDCWD = -100
RENAME_EXCHANGE = 2


class Refused(Exception):
    pass


def landing_name(out):
    return os.path.join(os.path.dirname(out), ".%s.landing-%d" % (os.path.basename(out), os.getpid()))


def leftovers(out):
    """Folders that a landing stopped half-way left beside DIR."""
    parent, prefix = os.path.dirname(out), ".%s.landing-" % os.path.basename(out)
    return [os.path.join(parent, name) for name in os.listdir(parent) if name.startswith(prefix)] \
        if os.path.isdir(parent) else []


def check(out):
    """The folder the release replaces as a whole: Refused if it is not a
    release's own."""
    if os.path.lexists(out) and not os.path.isdir(out):
        raise Refused("--out %s is a file, not a folder" % out)
    if not os.path.isdir(out):
        return
    strangers = sorted(set(os.listdir(out)) - set(RELEASE_FILES + RELEASE_FOLDERS))
    if strangers:
        raise Refused("--out %s holds %s, which no release writes: a release replaces its folder as a whole,"
                      " so give it a folder of its own" % (out, strangers[0]))


def synced(path):
    descriptor = os.open(path, os.O_RDONLY)
    try:
        os.fsync(descriptor)
    finally:
        os.close(descriptor)


def copy_release(stage, folder):
    """STAGE's release into folder, every file and folder on disk."""
    os.mkdir(folder)
    for name in RELEASE_FILES:
        if not os.path.isfile(os.path.join(stage, name)):
            raise Refused("the release lacks %s" % name)
        shutil.copyfile(os.path.join(stage, name), os.path.join(folder, name))
        synced(os.path.join(folder, name))
    for name in RELEASE_FOLDERS:
        if os.path.isdir(os.path.join(stage, name)):
            shutil.copytree(os.path.join(stage, name), os.path.join(folder, name))
            for where, _, files in os.walk(os.path.join(folder, name), topdown=False):
                for file in files:
                    synced(os.path.join(where, file))
                synced(where)
    synced(folder)


def exchange(first, second):
    """The two folders trade names in one step."""
    libc = ctypes.CDLL(None, use_errno=True)
    if not hasattr(libc, "renameat2"):
        raise Refused("this system's C library has no renameat2: the release cannot land in one step")
    if libc.renameat2(AT_FDCWD, os.fsencode(first), AT_FDCWD, os.fsencode(second), RENAME_EXCHANGE) != 0:
        error = ctypes.get_errno()
        raise Refused("%s and %s cannot trade names in one step: %s" % (first, second, os.strerror(error)))


def land(stage, out):
    out = os.path.realpath(out)  # a link to the folder: the folder it names is replaced
    check(out)
    os.makedirs(os.path.dirname(out), exist_ok=True)
    for folder in leftovers(out):
        shutil.rmtree(folder, ignore_errors=True)
    landing = landing_name(out)
    try:
        copy_release(stage, landing)
        if os.path.isdir(out):
            exchange(landing, out)
        else:
            os.rename(landing, out)
        synced(os.path.dirname(out))
    except (Refused, OSError) as error:
        shutil.rmtree(landing, ignore_errors=True)
        raise Refused(str(error) if isinstance(error, Refused) else "could not land the release in %s: %s"
                      % (out, error))
    # The earlier release, under the landing name now.
    if os.path.lexists(landing):
        shutil.rmtree(landing, onerror=lambda function, path, error: print(
            "release: the earlier release stays in %s: %s cannot be removed (%s)" % (landing, path, error[1]),
            file=sys.stderr))


def main(argv):
    parser = argparse.ArgumentParser(prog="land.py")
    parser.add_argument("action", nargs="?", choices=("check",))
    parser.add_argument("--stage")
    parser.add_argument("--out", required=True)
    options = parser.parse_args(argv)
    try:
        if options.action == "check":
            check(os.path.realpath(options.out))
        else:
            land(options.stage, options.out)
        return 0
    except Refused as refusal:
        print("release: refused: %s" % refusal, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
