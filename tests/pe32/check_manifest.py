#!/usr/bin/env python3
"""The programs' manifests (resource type 24, RT_MANIFEST). Each declares
itself DPI-aware, so that today's Windows lays its dialogs out at the
screen's DPI instead of stretching them blurred. The launcher also asks to
run as its caller; Windows would otherwise elevate a program named "setup"
and run the chain as the administrator. The other two ask for no level at
all (no trustInfo), so that they keep the file virtualization of old programs.

check_manifest.py PROGRAM.exe=LEVEL ...    (LEVEL "none": no trustInfo)
"""
import os
import sys
import xml.etree.ElementTree as ElementTree

from pe_image import read_image

RT_MANIFEST = "#24"
PROCESS_MANIFEST = RT_MANIFEST + ":#1:"
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
WINDOWS_SETTINGS = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
DPI_ELEMENTS = {ASM_V1 + "assembly", ASM_V3 + "application", ASM_V3 + "windowsSettings", WINDOWS_SETTINGS + "dpiAware"}
LEVEL_ELEMENTS = {ASM_V3 + name for name in ("trustInfo", "security", "requestedPrivileges", "requestedExecutionLevel")}


def check(path, level):
    manifests = {key: data for key, data in read_image(path).resources().items() if key.startswith(RT_MANIFEST + ":")}
    process = [data for key, data in manifests.items() if key.startswith(PROCESS_MANIFEST)]
    if len(manifests) != 1 or len(process) != 1:
        return ["wants exactly one manifest, id 1; has: " + (", ".join(sorted(manifests)) or "none")]
    root = ElementTree.fromstring(process[0])
    failures = []
    aware = [element.text for element in root.iter(WINDOWS_SETTINGS + "dpiAware")]
    if aware != ["true"]:
        failures.append("dpiAware %s, not true" % (aware or "missing"))
    found = [(element.get("level"), element.get("uiAccess")) for element in root.iter(ASM_V3 + "requestedExecutionLevel")]
    if found != ([] if level == "none" else [(level, "false")]):
        failures.append("requestedExecutionLevel %s, not %s" % (found or "missing", level))
    # Nothing else: no dependency, no compatibility section.
    elements = {element.tag for element in root.iter()}
    wanted = DPI_ELEMENTS | (set() if level == "none" else LEVEL_ELEMENTS)
    if elements != wanted:
        failures.append("elements missing or not wanted: " + ", ".join(sorted(elements ^ wanted)))
    return failures


def main(argv):
    status = 0
    for argument in argv[1:]:
        path, _, level = argument.rpartition("=")
        failures = check(path, level)
        for failure in failures:
            print("%s: %s" % (os.path.basename(path), failure))
        status |= 1 if failures else 0
        if not failures:
            print("%s: manifest dpiAware, execution level %s" % (os.path.basename(path), level))
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
