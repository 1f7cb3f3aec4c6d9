#!/usr/bin/env python3
"""Checks a 32-bit program of the product as a file, since it cannot run
here: PE32 for i386, the Windows GUI subsystem of version 4.0 at most (what
Windows 95 and NT 4.0 load), imports from system DLLs only, and the resources it must carry (type:name:language, ids as #n).

check_pe32.py PROGRAM.exe [TYPE:NAME:LANG[=FILE] ...]
A resource given with =FILE must hold exactly the bytes of FILE.
"""
import sys

from pe_image import IMAGE_FILE_MACHINE_I386, PE32_MAGIC, SUBSYSTEM_WINDOWS_GUI, read_image

# What every Windows since 95 and NT 4.0 has; the functions taken from them
# are checked one by one in check_imports.py.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll"}


def main(argv):
    path, wanted = argv[1], argv[2:]
    image = read_image(path)
    failures = []
    if image.machine != IMAGE_FILE_MACHINE_I386 or image.magic != PE32_MAGIC:
        failures.append("not PE32 i386 (machine %#x, magic %#x)" % (image.machine, image.magic))
    if image.subsystem != SUBSYSTEM_WINDOWS_GUI:
        failures.append("subsystem %d, not the Windows GUI" % image.subsystem)
    if image.subsystem_version > (4, 0):
        failures.append("needs Windows %d.%d, which Windows 95 refuses" % image.subsystem_version)
    foreign = [d for d in image.imports() if d.lower() not in SYSTEM_DLLS]
    if foreign:
        failures.append("imports from non-system DLLs: " + ", ".join(foreign))
    resources = image.resources()
    for resource in wanted:
        key, _, source = resource.partition("=")
        if key not in resources:
            failures.append("missing resource " + key)
        elif source and resources[key] != open(source, "rb").read():
            failures.append("resource %s differs from %s" % (key, source))
    for failure in failures:
        print("%s: %s" % (path, failure))
    print("%s: imports %s; resources %s" % (path, ", ".join(image.imports()), ", ".join(sorted(resources)) or "none"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
