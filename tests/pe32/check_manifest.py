#!/usr/bin/env python3
"""The programs' manifests (resource type 24, RT_MANIFEST): the launcher
carries one that asks to run as its caller; Windows would otherwise elevate
a program named "setup" and run the chain as the administrator. The other
two carry none, so that they keep the file virtualization of old programs.

check_manifest.py PROGRAM.exe=LEVEL ...    (LEVEL "none": no manifest at all)
"""
import os
import sys
import xml.etree.ElementTree as ElementTree

from pe_image import read_image

RT_MANIFEST = "#24"
PROCESS_MANIFEST = RT_MANIFEST + ":#1:"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
MINIMAL_ELEMENTS = ["assembly", "trustInfo", "security", "requestedPrivileges", "requestedExecutionLevel"]


def check(path, expected):
    manifests = {key: data for key, data in read_image(path).resources().items() if key.startswith(RT_MANIFEST + ":")}
    if expected == "none":
        return ["carries a manifest: " + ", ".join(sorted(manifests))] if manifests else []
    process = [data for key, data in manifests.items() if key.startswith(PROCESS_MANIFEST)]
    if len(manifests) != 1 or len(process) != 1:
        return ["wants exactly one manifest, id 1; has: " + (", ".join(sorted(manifests)) or "none")]
    root = ElementTree.fromstring(process[0])
    levels = root.iter(ASM_V3 + "requestedExecutionLevel")
    found = [(level.get("level"), level.get("uiAccess")) for level in levels]
    if found != [(expected, "false")]:
        return ["requestedExecutionLevel %s, not level=%s uiAccess=false" % (found or "missing", expected)]
    # Nothing but the level: no dependency, no compatibility section.
    elements = sorted({element.tag.split("}")[-1] for element in root.iter()})
    if elements != sorted(MINIMAL_ELEMENTS):
        return ["holds more than the execution level: " + ", ".join(elements)]
    return []


def main(argv):
    status = 0
    for argument in argv[1:]:
        path, _, expected = argument.rpartition("=")
        failures = check(path, expected)
        for failure in failures:
            print("%s: %s" % (os.path.basename(path), failure))
        status |= 1 if failures else 0
        if not failures:
            print("%s: manifest %s" % (os.path.basename(path), expected))
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
