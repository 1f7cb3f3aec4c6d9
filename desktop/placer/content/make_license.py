#!/usr/bin/env python3
"""Writes license.txt, the agreement the installer shows before it places
anything, from the text kept below.

    python3 make_license.py           writes license.txt next to this script
    python3 make_license.py --check   validates the committed license.txt

The installer reads the file as one plain single-byte text block into an edit
control, so it must be ASCII, CR LF on every line (the control shows a bare
LF as a box), free of NUL bytes and under 10000 bytes. Each paragraph is one
line: the control wraps it to its own width, whatever the font.
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "license.txt")
LIMIT = 10000

TITLE = [
    "KELVANE SOFTWARE",
    "END-USER LICENCE AGREEMENT",
    "Kelvane for PalmPilot - Amber Edition - Version 3.5",
]

# Each entry is a heading (str starting with "#"), a plain paragraph (str),
# or a numbered clause (tuple of label and text).
BODY = [
    "IMPORTANT - PLEASE READ THIS AGREEMENT CAREFULLY BEFORE INSTALLING OR "
    "USING THE SOFTWARE. This End-User Licence Agreement (the \"Agreement\") "
    "is a legal agreement between you (either an individual or a single "
    "entity) and Kelvane Software (\"Kelvane\") for the software product "
    "Kelvane for PalmPilot, Amber Edition, version 3.5, which includes the "
    "desktop setup program, the handheld application, any printed or "
    "electronic documentation and any updates Kelvane may supply (together, "
    "the \"Software\").",

    "By accepting this Agreement in the setup program, or by installing, "
    "copying or otherwise using the Software, you agree to be bound by its "
    "terms. If you do not agree, decline it; the setup program will then exit "
    "without placing any files, and you may return the unused Software to "
    "the place of purchase for a refund under that supplier's terms.",

    "#1. GRANT OF LICENCE",
    ("1.1", "Subject to the terms of this Agreement, Kelvane grants you a "
     "non-exclusive, non-transferable licence to install and use one copy "
     "of the Software on one desktop computer and on one PalmPilot or "
     "compatible handheld device that you own or control."),
    ("1.2", "You may make one copy of the Software solely for backup or "
     "archival purposes, provided the copy carries all copyright and other "
     "notices found on the original."),
    ("1.3", "If the Software is installed on a desktop computer that is "
     "shared by several people, each person who synchronises a separate "
     "handheld device with that computer must hold a separate licence."),

    "#2. THE HANDHELD APPLICATION",
    ("2.1", "The Software includes an application that runs on the handheld "
     "device. The setup program places that application in the install "
     "queue of the Palm Desktop user you select, and it is copied to the "
     "device during the next HotSync operation. The licence in section 1 "
     "covers the handheld application only on the single device named "
     "there."),
    ("2.2", "Kelvane does not control the HotSync process or the desktop "
     "software that performs it, and is not responsible for data on the "
     "handheld device or the desktop computer that is changed or lost "
     "during synchronisation. You should back up your device before "
     "installing the Software."),
    ("2.3", "Removing the handheld application from the device does not "
     "remove the desktop components, and the reverse is also true. You "
     "are responsible for removing both when you stop using the Software."),

    "#3. RESTRICTIONS",
    ("3.1", "You may not rent, lease, lend, sell, sublicense or otherwise "
     "distribute the Software, or make it available to others over a "
     "network, except as expressly permitted by this Agreement."),
    ("3.2", "You may not reverse engineer, decompile or disassemble the "
     "Software, except and only to the extent that applicable law "
     "expressly permits such activity despite this limitation."),
    ("3.3", "You may not modify the Software, create derivative works from "
     "it, or remove or alter any proprietary notice, label or mark on the "
     "Software or its documentation."),
    ("3.4", "The Software is licensed as a single product. Its component "
     "parts may not be separated for use on more than one computer or "
     "device."),

    "#4. OWNERSHIP",
    "The Software is licensed, not sold. Kelvane and its suppliers retain "
    "all right, title and interest in and to the Software, including all "
    "copyrights, trade secrets and other intellectual property rights, and "
    "in all copies of it. The Software is protected by copyright laws and "
    "international treaties. The names Kelvane and Amber and the Kelvane "
    "logo are trademarks of Kelvane Software. PalmPilot, Palm Desktop and "
    "HotSync are named only to identify the platform on which the Software "
    "runs; no endorsement by their owners is implied. All rights not "
    "expressly granted in this Agreement are reserved by Kelvane.",

    "#5. NO WARRANTY",
    "THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND. TO "
    "THE MAXIMUM EXTENT PERMITTED BY APPLICABLE LAW, KELVANE AND ITS "
    "SUPPLIERS DISCLAIM ALL WARRANTIES AND CONDITIONS, WHETHER EXPRESS OR "
    "IMPLIED, INCLUDING BUT NOT LIMITED TO IMPLIED WARRANTIES OF "
    "MERCHANTABILITY, FITNESS FOR A PARTICULAR PURPOSE, TITLE AND "
    "NON-INFRINGEMENT. KELVANE DOES NOT WARRANT THAT THE SOFTWARE WILL MEET "
    "YOUR REQUIREMENTS, THAT IT WILL OPERATE WITHOUT INTERRUPTION OR ERROR, "
    "OR THAT IT WILL WORK WITH EVERY HANDHELD DEVICE, OPERATING SYSTEM "
    "VERSION OR DESKTOP CONFIGURATION. THE ENTIRE RISK AS TO THE QUALITY "
    "AND PERFORMANCE OF THE SOFTWARE IS WITH YOU.",

    "#6. LIMITATION OF LIABILITY",
    "TO THE MAXIMUM EXTENT PERMITTED BY APPLICABLE LAW, IN NO EVENT SHALL "
    "KELVANE OR ITS SUPPLIERS BE LIABLE FOR ANY SPECIAL, INCIDENTAL, "
    "INDIRECT OR CONSEQUENTIAL DAMAGES WHATSOEVER, INCLUDING WITHOUT "
    "LIMITATION DAMAGES FOR LOSS OF PROFITS, LOSS OF DATA, BUSINESS "
    "INTERRUPTION OR ANY OTHER PECUNIARY LOSS, ARISING OUT OF THE USE OF OR "
    "INABILITY TO USE THE SOFTWARE, EVEN IF KELVANE HAS BEEN ADVISED OF THE "
    "POSSIBILITY OF SUCH DAMAGES. IN ANY CASE, KELVANE'S ENTIRE LIABILITY "
    "UNDER ANY PROVISION OF THIS AGREEMENT SHALL BE LIMITED TO THE AMOUNT "
    "YOU ACTUALLY PAID FOR THE SOFTWARE. Some jurisdictions do not allow "
    "the exclusion or limitation of certain warranties or damages, so some "
    "of the above may not apply to you.",

    "#7. TERMINATION",
    "This Agreement is effective until terminated. You may terminate it at "
    "any time by removing the Software from your computer and handheld "
    "device and destroying all copies. It terminates automatically, without "
    "notice from Kelvane, if you fail to comply with any of its terms. On "
    "termination you must remove the Software and destroy all copies. "
    "Sections 4, 5, 6 and 8 survive termination.",

    "#8. GENERAL",
    ("8.1", "This Agreement is the entire agreement between you and Kelvane "
     "relating to the Software and supersedes all prior or contemporaneous "
     "understandings regarding that subject. No amendment to it is binding "
     "unless made in writing and signed by Kelvane."),
    ("8.2", "If any provision of this Agreement is held to be unenforceable, "
     "that provision shall be enforced to the maximum extent permissible "
     "and the remaining provisions shall continue in full force and "
     "effect."),
    ("8.3", "No failure or delay by Kelvane in exercising any right under "
     "this Agreement shall operate as a waiver of that right."),
    ("8.4", "You agree to comply with all export laws and regulations that "
     "apply to the Software."),
    ("8.5", "This Agreement is governed by the laws of the place in which "
     "you acquired the Software, unless those laws require otherwise."),

    "Should you have any questions concerning this Agreement, please "
    "contact Kelvane Software customer service at the address given in "
    "the documentation that came with the Software.",

    "Copyright (c) 1999 Kelvane Software. All rights reserved.",
]


def render():
    lines = list(TITLE) + [""]
    for item in BODY:
        if isinstance(item, tuple):
            label, text = item
            lines.append(label + " " + text)
        elif item.startswith("#"):
            lines.append(item[1:])
        else:
            lines.append(item)
        lines.append("")
    while lines and lines[-1] == "":
        lines.pop()
    return "".join(line + "\r\n" for line in lines).encode("ascii")


def problems(data):
    out = []
    if len(data) >= LIMIT:
        out.append("size %d is not under %d" % (len(data), LIMIT))
    if b"\0" in data:
        out.append("contains a NUL byte")
    bad = [i for i, b in enumerate(data) if b > 0x7E or (b < 0x20 and b not in (0x0D, 0x0A))]
    if bad:
        out.append("non-printable or non-ASCII byte at offset %d" % bad[0])
    if data.replace(b"\r\n", b"").count(b"\r") or data.replace(b"\r\n", b"").count(b"\n"):
        out.append("bare CR or LF")
    if not data.endswith(b"\r\n"):
        out.append("last line does not end in CR LF")
    return out


def check(path=OUT):
    with open(path, "rb") as f:
        data = f.read()
    errs = problems(data)
    if data != render():
        errs.append("license.txt is stale; rerun make_license.py")
    if errs:
        for e in errs:
            print("%s: %s" % (os.path.basename(path), e))
        return 1
    print("%s: OK, %d bytes, %d lines" % (os.path.basename(path), len(data), data.count(b"\r\n")))
    return 0


def main(argv):
    if argv[1:] == ["--check"]:
        return check()
    if len(argv) == 1:
        data = render()
        errs = problems(data)
        if errs:
            print("\n".join(errs))
            return 1
        with open(OUT, "wb") as f:
            f.write(data)
        print("wrote %s (%d bytes)" % (OUT, len(data)))
        return 0
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
