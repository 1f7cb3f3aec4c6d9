#!/usr/bin/env python3
"""Builds kelvane.prc, the handheld resource database the installer queues
for the next HotSync.

    python3 make_payload.py           writes kelvane.prc next to this script
    python3 make_payload.py --check   parses kelvane.prc back and validates it
    python3 make_payload.py --padded BYTES OUT.prc
                                      the same database grown to BYTES by one
                                      more resource of filler bytes, for the
                                      benchmark (bench/bench.sh); give the
                                      build it with -DKELVANE_PAYLOAD=OUT.prc
    python3 make_payload.py --records OUT NAME TYPE CREATOR
                                      writes a small record database (a .pdb,
                                      or a .pqa with the type "pqa ") for tests
                                      of a setup that queues several databases

The code resources are stand-ins (a jump table and a routine that returns),
not a working program; what matters to the installer is that the database is
well formed: header, resource map and contiguous data. All multi-byte fields
are big-endian, as on the handheld. Dates are fixed so the file is
reproducible.
"""

import datetime
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "kelvane.prc")

DB_NAME = b"Kelvane"
DB_TYPE = b"appl"
DB_CREATOR = b"Kelv"
ATTR_RESDB = 0x0001
ATTR_BACKUP = 0x0008
DB_ATTRIBUTES = ATTR_RESDB | ATTR_BACKUP
DB_VERSION = 1

# Seconds since 1904-01-01 00:00:00, the handheld's epoch. A fixed release
# date rather than the clock, so rebuilds are byte-identical; never backed up.
EPOCH = datetime.datetime(1904, 1, 1)
RELEASE = datetime.datetime(1999, 3, 15, 12, 0, 0)
DATE_CREATED = int((RELEASE - EPOCH).total_seconds())   # 0xB312A6C0
DATE_MODIFIED = DATE_CREATED
DATE_BACKUP = 0

HEADER_FMT = ">32sHHIIIIII4s4sI"    # 72 bytes
LIST_FMT = ">IH"                    # 6 bytes; 78 with the header
ENTRY_FMT = ">4sHI"                 # 10 bytes per resource
GAP = b"\0\0"                       # customary pad between map and data


def w16(*words):
    return b"".join(struct.pack(">H", w) for w in words)


def code0():
    # Above-A5 size, below-A5 size, jump table size, jump table offset,
    # then one jump table entry that loads segment 1.
    return struct.pack(">IIII", 0x28, 0x10, 8, 0x20) + w16(0x0000, 0x3F3C, 0x0001, 0xA9F0)


def code1():
    body = w16(
        0x4E56, 0x0000,     # link   a6,#0
        0x7000,             # moveq  #0,d0
        0x4E5E,             # unlk   a6
        0x4E75,             # rts
    )
    # Debugger symbol after the rts, padded to even, then an empty constant pool.
    name = b"KelvaneMain"
    sym = bytes([0x80 | len(name)]) + name
    if len(sym) % 2:
        sym += b"\0"
    return body + sym + w16(0x0000)


def data0():
    # Offset of the code-1 relocation block, then an empty initialised-data
    # run (length 0) and empty relocation lists.
    return struct.pack(">I", 0x00000000) + struct.pack(">I", 0) + w16(0, 0, 0, 0)


ICON_ROWS = [
    "......................",
    "....##############....",
    "...#..............#...",
    "...#.############.#...",
    "...#.#..........#.#...",
    "...#.#.##...##..#.#...",
    "...#.#.##..##...#.#...",
    "...#.#.##.##....#.#...",
    "...#.#.####.....#.#...",
    "...#.#.####.....#.#...",
    "...#.#.##.##....#.#...",
    "...#.#.##..##...#.#...",
    "...#.#.##...##..#.#...",
    "...#.#..........#.#...",
    "...#.############.#...",
    "...#..............#...",
    "...#.##...##...##.#...",
    "...#.##..####..##.#...",
    "...#......##......#...",
    "...#..............#...",
    "....##############....",
    "......................",
]


def taib():
    # Launcher icon: a 22x22 one-bit bitmap (version 1 header).
    w, h = 22, 22
    row_bytes = ((w + 15) // 16) * 2
    hdr = struct.pack(">HHHHBBHBBH", w, h, row_bytes, 0, 1, 1, 0, 0, 0, 0)
    bits = bytearray()
    for row in ICON_ROWS:
        assert len(row) == w
        b = bytearray(row_bytes)
        for i, c in enumerate(row):
            if c == "#":
                b[i // 8] |= 0x80 >> (i % 8)
        bits += b
    return hdr + bytes(bits)


RESOURCES = [
    (b"code", 0, code0()),
    (b"code", 1, code1()),
    (b"data", 0, data0()),
    (b"tAIN", 1000, b"Kelvane\0"),
    (b"tAIB", 1000, taib()),
    (b"tver", 1, b"3.5\0"),
]


def filler(count):
    # Bytes that neither installer could store in less room than they take:
    # a SHA-256 chain, fixed so that every run makes the same file.
    import hashlib
    block, out = b"Kelvane filler", bytearray()
    while len(out) < count:
        block = hashlib.sha256(block).digest()
        out += block
    return bytes(out[:count])


def build(resources=RESOURCES):
    header = struct.pack(
        HEADER_FMT, DB_NAME.ljust(32, b"\0"), DB_ATTRIBUTES, DB_VERSION,
        DATE_CREATED, DATE_MODIFIED, DATE_BACKUP, 1, 0, 0,
        DB_TYPE, DB_CREATOR, 0)
    header += struct.pack(LIST_FMT, 0, len(resources))
    offset = len(header) + 10 * len(resources) + len(GAP)
    entries = b""
    for rtype, rid, blob in resources:
        entries += struct.pack(ENTRY_FMT, rtype, rid, offset)
        offset += len(blob)
    return header + entries + GAP + b"".join(blob for _, _, blob in resources)


def build_padded(size):
    padding = size - len(build()) - 10  # one more map entry
    if padding < 0:
        raise ValueError("the stand-in alone is %d bytes" % len(build()))
    return build(RESOURCES + [(b"xpad", 1, filler(padding))])


def build_records(name, db_type, creator, records=(b"first record", b"second record")):
    """A record database: header, record list (offset, attributes, unique
    id), the customary gap, an AppInfo block, then the records' data."""
    app_info = b"app info"
    count = len(records)
    header_end = 78 + 8 * count + len(GAP)
    header = struct.pack(
        HEADER_FMT, name.ljust(32, b"\0"), ATTR_BACKUP, DB_VERSION,
        DATE_CREATED, DATE_MODIFIED, DATE_BACKUP, 1, header_end if app_info else 0, 0,
        db_type, creator, count + 1)
    header += struct.pack(LIST_FMT, 0, count)
    offset = header_end + len(app_info)
    entries = b""
    for i, record in enumerate(records):
        entries += struct.pack(">IB3s", offset, 0, (i + 1).to_bytes(3, "big"))
        offset += len(record)
    return header + entries + GAP + app_info + b"".join(records)


def parse(data):
    """Returns (header dict, [(type, id, bytes)]), raising on any defect."""
    if len(data) < 78:
        raise ValueError("shorter than a database header")
    f = struct.unpack_from(HEADER_FMT, data, 0)
    name_raw = f[0]
    if b"\0" not in name_raw:
        raise ValueError("name is not NUL-terminated")
    hdr = {
        "name": name_raw.split(b"\0", 1)[0],
        "attributes": f[1], "version": f[2],
        "created": f[3], "modified": f[4], "backup": f[5],
        "modnum": f[6], "appinfo": f[7], "sortinfo": f[8],
        "type": f[9], "creator": f[10], "seed": f[11],
    }
    if any(name_raw[len(hdr["name"]):]):
        raise ValueError("junk after name")
    next_list, count = struct.unpack_from(LIST_FMT, data, 72)
    if next_list != 0:
        raise ValueError("chained record lists are not expected")
    if not hdr["attributes"] & ATTR_RESDB:
        raise ValueError("not a resource database")
    if hdr["type"] != DB_TYPE or hdr["creator"] != DB_CREATOR:
        raise ValueError("type/creator %r/%r" % (hdr["type"], hdr["creator"]))
    if hdr["appinfo"] or hdr["sortinfo"]:
        raise ValueError("unexpected app/sort info block")
    map_end = 78 + 10 * count
    if map_end + 2 > len(data) or data[map_end:map_end + 2] != GAP:
        raise ValueError("missing gap after resource map")
    entries = [struct.unpack_from(ENTRY_FMT, data, 78 + 10 * i) for i in range(count)]
    res = []
    seen = set()
    for i, (rtype, rid, off) in enumerate(entries):
        end = entries[i + 1][2] if i + 1 < count else len(data)
        if i == 0 and off != map_end + 2:
            raise ValueError("data does not start right after the map")
        if not (map_end + 2 <= off <= end <= len(data)):
            raise ValueError("resource %r %d offset out of order or range" % (rtype, rid))
        if (rtype, rid) in seen:
            raise ValueError("duplicate resource %r %d" % (rtype, rid))
        seen.add((rtype, rid))
        res.append((rtype, rid, data[off:end]))
    return hdr, res


def check(path=OUT):
    with open(path, "rb") as fh:
        data = fh.read()
    hdr, res = parse(data)
    assert hdr["name"] == DB_NAME, hdr["name"]
    assert hdr["version"] == DB_VERSION
    assert hdr["created"] == DATE_CREATED == 0xB312A6C0
    assert hdr["created"] <= hdr["modified"]
    kinds = {(t, i): b for t, i, b in res}
    for need in ((b"code", 0), (b"code", 1), (b"data", 0), (b"tAIN", 1000), (b"tver", 1)):
        assert need in kinds, "missing %r %d" % need
    assert kinds[(b"tAIN", 1000)] == DB_NAME + b"\0"
    assert kinds[(b"tver", 1)].endswith(b"\0")
    assert data == build(), "kelvane.prc is stale; rerun make_payload.py"
    print("%s: OK, %d resources, %d bytes" % (os.path.basename(path), len(res), len(data)))
    for t, i, b in res:
        print("  %s %5d %4d bytes" % (t.decode("ascii"), i, len(b)))


def main(argv):
    if argv[1:] == ["--check"]:
        check()
    elif len(argv) == 4 and argv[1] == "--padded":
        data = build_padded(int(argv[2]))
        parse(data)
        with open(argv[3], "wb") as fh:
            fh.write(data)
        print("wrote %s (%d bytes)" % (argv[3], len(data)))
    elif len(argv) == 6 and argv[1] == "--records":
        name, db_type, creator = (a.encode("latin-1") for a in argv[3:6])
        with open(argv[2], "wb") as fh:
            fh.write(build_records(name, db_type.ljust(4), creator))
    elif len(argv) == 1:
        data = build()
        with open(OUT, "wb") as fh:
            fh.write(data)
        print("wrote %s (%d bytes)" % (OUT, len(data)))
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
