#!/usr/bin/env python3
"""The content checker: each bad payload, licence and icon is refused with
one message naming the file and the offending value, and leaves no copy;
the stand-ins and an LF licence pass, the licence carried with CR LF.
Palm::PDB reads the payloads too and must agree, but for the checker's own
rules. A set of databases is refused naming the file at fault.

content_checks_test.py SOURCE_DIR WORK_DIR
"""
import os
import shutil
import struct
import subprocess
import sys

SOURCE, WORK = sys.argv[1], sys.argv[2]
shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
CHECKER = os.path.join(SOURCE, "tools/release/check_content.py")
CONTENT = os.path.join(SOURCE, "desktop/placer/content")
ICON_IMAGES = os.path.join(CONTENT, "icon")
sys.path.insert(0, CONTENT)
from make_payload import build_records  # noqa: E402


def stand_in(name):
    with open(os.path.join(CONTENT, name), "rb") as f:
        return f.read()


PRC = stand_in("kelvane.prc")
ICO = stand_in("product.ico")


def patched(data, offset, raw):
    return data[:offset] + raw + data[offset + len(raw):]


def entry_offset(i, value):
    return patched(PRC, 78 + 10 * i + 6, struct.pack(">I", value))


# Palm::PDB (Debian's libpalm-perl) is a second reader: it writes a database
# with AppInfo and SortInfo blocks, an empty resource inside and one at the
# end, and says whether it can read each payload. Palm::Raw takes any type.
PALM_PDB = ('use Palm::Raw; Palm::PDB::RegisterPRCHandlers("Palm::Raw", ["", ""]);'
            ' Palm::PDB::RegisterPDBHandlers("Palm::Raw", ["", ""]);')
PALM_PDB_WRITE = PALM_PDB + """my $db = Palm::Raw->new({name => "Kelvane", type => "appl", creator => "Kelv",
    attributes => {resource => 1}, ctime => 1e9, mtime => 1e9, uniqueIDseed => 0x100000});
@$db{"appinfo", "sort"} = ("app info", "sort");
$db->{resources} = [map { {type => $$_[0], id => $$_[1], data => $$_[2]} }
    ["code", 0, "jump"], ["tAIN", 1000, ""], ["code", 1, "rt"], ["tver", 1, ""]];
$db->Write($ARGV[0]);"""
# The checker's own rules beyond the format, where Palm::PDB may read what it refuses.
OWN_RULES = ("header incomplete", "name empty", "not a resource database", "type not", "creator not", "list empty")


def palm_pdb_reads(path):
    return subprocess.run(["perl", "-e", PALM_PDB + "Palm::PDB->new->Load($ARGV[0]) or exit 1", path],
                          capture_output=True).returncode == 0


def written_by_palm_pdb(name):
    path = os.path.join(WORK, name)
    subprocess.run(["perl", "-e", PALM_PDB_WRITE, path], check=True)
    with open(path, "rb") as f:
        return f.read()


PDB = written_by_palm_pdb("palm-pdb.prc")   # list ends at 118; AppInfo 120, SortInfo 128, data 132 to 138


def header_offset(field, value):
    return patched(PDB, {"AppInfo": 52, "SortInfo": 56}[field], struct.pack(">I", value))


def icon_by_icotool(name, *arguments):
    path = os.path.join(WORK, name)
    subprocess.run(["icotool", "-c", "-o", path] + list(arguments), check=True)
    with open(path, "rb") as f:
        return f.read()


def png(name):
    return os.path.join(ICON_IMAGES, name)


RECORDS = build_records(b"Kelvane Data", b"DATA", b"Kelv")   # list ends at 94; AppInfo 96, records 104 and 116
CLIP = build_records(b"Kelvane Clip", b"pqa ", b"Kelv")

# A set of databases, each (file name, content or None for the file before
# it again), the file the refusal must name (None: accepted) and part of
# the refusal. The application comes first.
SETS = [
    ([("kelv.prc", PRC), ("Data.PDB", RECORDS), ("clip.pqa", CLIP)], None, None),
    ([("kelv.prc", PRC), ("cut.pdb", patched(RECORDS, 76, b"\x00\x40"))], "cut.pdb",
     "record list of 64 entries ends at byte 590, past the file's 129 bytes"),
    ([("kelv.prc", PRC), ("order.pdb", patched(RECORDS, 86, struct.pack(">I", 100)))], "order.pdb",
     "record 1 data offset 100 not in increasing order (previous 104)"),
    ([("kelv.prc", PRC), ("same.pdb", patched(RECORDS, 0, b"Kelvane\0"))], "same.pdb",
     "database name 'Kelvane' also that of"),
    ([("kelv.prc", PRC), ("data.prc", RECORDS)], "data.prc", "lacks the extension .pdb of a record database"),
    ([("kelv.prc", PRC), ("KELV.PRC", patched(PRC, 0, b"Other\0"))], "KELV.PRC", "queued name 'KELV.PRC' also that of"),
    ([("kelv.prc", PRC), ("data.pdb", RECORDS), ("data.pdb", None)], "data.pdb", "given twice"),
    ([("kelv.prc", PRC)] + [("d%d.pdb" % i, patched(RECORDS, 0, b"D%d\0" % i)) for i in range(16)], "d15.pdb",
     "17 databases, more than the 16"),
]

# (kind, name, content, part of the message or None, copy expected when accepted)
CASES = [
    ("payload", "stand-in.prc", PRC, None, PRC),
    ("payload", "short.prc", PRC[:60], "header incomplete: 60 of 78 bytes", None),
    ("payload", "long-name.prc", patched(PRC, 0, b"N" * 32), "name not NUL-terminated within 32 bytes", None),
    ("payload", "records.prc", patched(PRC, 32, b"\x00\x08"), "attributes 0x0008 lack 0x0001", None),
    ("payload", "type.prc", patched(PRC, 60, b"ap\x01l"), "type not four printable bytes: b'ap\\x01l'", None),
    ("payload", "creator.prc", patched(PRC, 64, b"Ke\xe9v"), "creator not four printable bytes", None),
    ("payload", "empty-list.prc", patched(PRC, 76, b"\x00\x00"), "resource list empty", None),
    ("payload", "long-list.prc", patched(PRC, 76, b"\x03\xe8"), "1000 entries ends at byte 10078, past the file's 320 bytes", None),
    ("payload", "empty-last.prc", entry_offset(5, 320), None, entry_offset(5, 320)),
    ("payload", "outside.prc", entry_offset(5, 321), "data offset 321 outside the file of 320 bytes", None),
    ("payload", "in-list.prc", entry_offset(0, 100), "data offset 100 inside the resource list ending at 138", None),
    ("payload", "in-header.prc", entry_offset(0, 40), "data offset 40 inside the 78-byte header", None),
    ("payload", "empty-name.prc", patched(PRC, 0, b"\0"), "database name empty: first byte NUL", None),
    ("payload", "palm-pdb.prc", PDB, None, PDB),
    ("payload", "no-pad.prc", header_offset("AppInfo", 118), None, header_offset("AppInfo", 118)),
    ("payload", "sort-only.prc", header_offset("AppInfo", 0), None, header_offset("AppInfo", 0)),
    ("payload", "app-past-end.prc", header_offset("AppInfo", 500), "AppInfo offset 500 outside the file of 138 bytes", None),
    ("payload", "app-in-header.prc", header_offset("AppInfo", 52), "AppInfo offset 52 inside the 78-byte header", None),
    ("payload", "app-in-list.prc", header_offset("AppInfo", 100), "AppInfo offset 100 inside the resource list ending at 118", None),
    ("payload", "app-in-data.prc", header_offset("AppInfo", 134), "AppInfo offset 134 past the start of resource 0's data at 132", None),
    ("payload", "sort-past-end.prc", header_offset("SortInfo", 139), "SortInfo offset 139 outside the file of 138 bytes", None),
    ("payload", "sort-in-list.prc", header_offset("SortInfo", 80), "SortInfo offset 80 inside the resource list ending at 118", None),
    ("payload", "sort-in-data.prc", header_offset("SortInfo", 136), "SortInfo offset 136 past the start of resource 0's data at 132", None),
    ("payload", "sort-first.prc", header_offset("SortInfo", 119), "SortInfo offset 119 before the AppInfo block at 120", None),
    ("payload", "order.prc", entry_offset(2, 150), "resource 2 (data 0) data offset 150 not in increasing order (previous 164)", None),
    ("license", "stand-in.txt", stand_in("license.txt"), None, stand_in("license.txt")),
    ("license", "unix.txt", b"One\nTwo\r\nThree\n", None, b"One\r\nTwo\r\nThree\r\n"),
    ("license", "just-fits.txt", b"x" * 9997 + b"\n", None, b"x" * 9997 + b"\r\n"),
    ("license", "cut.txt", b"x" * 9998 + b"\n", "10000 bytes after CR LF, not below 10000: the dialog would cut it", None),
    ("license", "long.txt", b"y" * 10000, "text 10000 bytes, not below 10000", None),
    ("license", "empty.txt", b"", "licence text empty", None),
    ("license", "nul.txt", b"Terms\0", "NUL byte in the licence text at offset 5", None),
    ("license", "bom.txt", b"\xef\xbb\xbfTerms", "UTF-8 byte-order mark", None),
    ("license", "utf8.txt", "Caf\u00e9 terms".encode(), "UTF-8 sequence at offset 3", None),
    ("license", "cp1252.txt", b"Caf\xe9 terms \xa9 1999", None, b"Caf\xe9 terms \xa9 1999"),
    ("icon", "stand-in.ico", ICO, None, ICO),
    ("icon", "large-only.ico", icon_by_icotool("large-only.ico", png("product_1_32x32x4.png")),
     "icon lacks a 16x16 image: has 32x32", None),
    ("icon", "png-small.ico", icon_by_icotool("png-small.ico", png("product_1_32x32x4.png"), "-r", png("product_4_16x16x4.png")),
     "icon image 1 (16x16) is PNG-compressed", None),
    ("icon", "cursor.ico", patched(ICO, 2, b"\x02\x00"), "not an icon file: header reserved 0, type 2", None),
    ("icon", "cut.ico", ICO[:3000], "lies outside the file of 3000 bytes", None),
]


def run_case(kind, name, content, message, carried):
    source = os.path.join(WORK, name)
    copy = os.path.join(WORK, "copy-" + name)
    with open(source, "wb") as f:
        f.write(content)
    with open(copy, "wb") as f:
        f.write(b"copy from an earlier build")
    result = subprocess.run([sys.executable, CHECKER, kind, source, copy], capture_output=True, text=True)
    problems = []
    if message is None:
        if result.returncode != 0:
            problems.append("refused: " + result.stderr.strip())
        else:
            with open(copy, "rb") as f:
                if f.read() != carried:
                    problems.append("copy differs from what should be carried")
    else:
        line = "%s: %s refused: " % (source, "licence" if kind == "license" else kind)
        if result.returncode != 1 or line not in result.stderr or message not in result.stderr:
            problems.append("want exit 1 and %r + ...%r; got %d %r" % (line, message, result.returncode, result.stderr))
        if os.path.exists(copy):
            problems.append("an earlier copy survived the refusal")
    if kind == "payload" and not any(rule in result.stderr for rule in OWN_RULES):
        if palm_pdb_reads(source) != (result.returncode == 0):
            problems.append("Palm::PDB disagrees: it %s the file" % ("reads" if result.returncode else "cannot read"))
    return ["%s %s: %s" % (kind, name, p) for p in problems]


def run_set(number, files, at_fault, message):
    folder = os.path.join(WORK, "set-%d" % number)
    os.makedirs(os.path.join(folder, "given"))
    paths = []
    for name, content in files:
        paths.append(os.path.join(folder, "given", name))
        if content is not None:
            with open(paths[-1], "wb") as f:
                f.write(content)
    copies = os.path.join(folder, "checked")
    result = subprocess.run([sys.executable, CHECKER, "databases", copies] + paths, capture_output=True, text=True)
    problems = []
    if at_fault is None:
        if result.returncode != 0:
            problems.append("refused: " + result.stderr.strip())
        for path in paths:
            if not palm_pdb_reads(path):
                problems.append("Palm::PDB cannot read " + path)
    else:
        line = "%s: payload refused: " % os.path.join(folder, "given", at_fault)
        if result.returncode != 1 or line not in result.stderr or message not in result.stderr:
            problems.append("want exit 1 and %r + ...%r; got %d %r" % (line, message, result.returncode, result.stderr))
        if os.path.exists(copies):
            problems.append("copies written for a refused set")
        if message.startswith("record") and palm_pdb_reads(os.path.join(folder, "given", at_fault)):
            problems.append("Palm::PDB reads " + at_fault)
    return ["set %d: %s" % (number, p) for p in problems]


def main():
    failures = []
    for case in CASES:
        failures += run_case(*case)
    for number, case in enumerate(SETS):
        failures += run_set(number, *case)
    for failure in failures:
        print("FAIL " + failure)
    print("%d cases, %d sets, %d failures" % (len(CASES), len(SETS), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
