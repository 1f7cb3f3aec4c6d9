#!/usr/bin/env python3
"""Checks one content file of the installer and writes the copy that the
installer's resource script carries.

    check_content.py payload|license|icon SOURCE [COPY]
    check_content.py databases FOLDER|- APPLICATION.prc [DATABASE...]

Without COPY the file is only checked.
A file that breaks a rule stops the build with one line naming the file, the
rule and the value found, and no copy is written. The payload and the icon
are copied unchanged; the licence gets CR LF line ends, since the dialog's
edit control shows a bare LF as a box.

"databases" checks the set of handheld databases the installer queues
together: the application first, queued as kelv.prc, then up to 15 more,
each queued under its file's base name. Into FOLDER (not with -) it writes
kelvane.prc, a copy of each further one (database_<id>), databases.rc, which
the installer's resource script includes, and databases.txt, a line per
database for the release notes.
"""

import hashlib
import os
import struct
import sys

# The licence dialog reads at most this many bytes; the text must fit below it.
LICENSE_LIMIT = 10000

PDB_HEADER = ">32sHHIIIIII4s4sII"   # ... uniqueIDSeed, nextRecordListID
PDB_HEADER_SIZE = 78                # with numRecords
RESOURCE_ENTRY = ">4sHI"
RESOURCE_ENTRY_SIZE = 10
ATTR_RESOURCE_DB = 0x0001
RECORD_ENTRY = ">IB3s"
RECORD_ENTRY_SIZE = 8

# The installer's resource ids of the further databases (desktop/placer/resource.h).
FURTHER_DATABASES_ID = 10002
MAX_DATABASES = 16
APPLICATION_NAME = "kelv.prc"
# The handheld keeps a database name of 31 characters and the NUL; the
# install tool takes a file name of the same length.
QUEUED_NAME_LIMIT = 31
NOT_IN_FILE_NAMES = '\\/:*?"<>|'

# The window class registers both sizes: large and small icon.
ICON_SIZES_NEEDED = ((32, 32), (16, 16))
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


class Refused(Exception):
    pass


def printable4(raw):
    return all(0x20 <= b < 0x7F for b in raw)


def check_in_data_area(what, offset, list_end, size, kind="resource"):
    # An offset equal to the file's length locates an empty block at the end.
    if offset > size:
        raise Refused("%s outside the file of %d bytes" % (what, size))
    if offset < PDB_HEADER_SIZE:
        raise Refused("%s inside the %d-byte header" % (what, PDB_HEADER_SIZE))
    if offset < list_end:
        raise Refused("%s inside the %s list ending at %d" % (what, kind, list_end))


def check_payload(data):
    return check_database(data, resource=True)


def check_database(data, resource=None):
    """The database's kind ("prc", "pdb" or "pqa") after checking it as its
    kind; resource=True asks for a resource database."""
    if len(data) < PDB_HEADER_SIZE:
        raise Refused("database header incomplete: %d of %d bytes" % (len(data), PDB_HEADER_SIZE))
    fields = struct.unpack_from(PDB_HEADER, data, 0)
    name, attributes, db_type, creator = fields[0], fields[1], fields[9], fields[10]
    app_info, sort_info = fields[7], fields[8]
    count = struct.unpack_from(">H", data, 76)[0]
    if b"\0" not in name:
        raise Refused("database name not NUL-terminated within 32 bytes: %r" % name)
    # The handheld creates no database without a name.
    if name[0] == 0:
        raise Refused("database name empty: first byte NUL")
    if resource and not attributes & ATTR_RESOURCE_DB:
        raise Refused("not a resource database: attributes 0x%04X lack 0x0001" % attributes)
    if not printable4(db_type):
        raise Refused("type not four printable bytes: %r" % db_type)
    if not printable4(creator):
        raise Refused("creator not four printable bytes: %r" % creator)
    if not attributes & ATTR_RESOURCE_DB:
        check_records(data, count, app_info, sort_info)
        return "pqa" if db_type == b"pqa " else "pdb"
    if count == 0:
        raise Refused("resource list empty: 0 resources")
    # The data area starts right after the list; the two pad bytes writers
    # customarily leave there are not required by readers.
    list_end = PDB_HEADER_SIZE + RESOURCE_ENTRY_SIZE * count
    if list_end > len(data):
        raise Refused("resource list of %d entries ends at byte %d, past the file's %d bytes"
                      % (count, list_end, len(data)))
    previous = list_end
    for i in range(count):
        rtype, rid, offset = struct.unpack_from(RESOURCE_ENTRY, data, PDB_HEADER_SIZE + RESOURCE_ENTRY_SIZE * i)
        what = "resource %d (%s %d) data offset %d" % (i, rtype.decode("latin-1"), rid, offset)
        check_in_data_area(what, offset, list_end, len(data))
        # Equal offsets are an empty resource; a smaller one overlaps.
        if offset < previous:
            raise Refused("%s not in increasing order (previous %d)" % (what, previous))
        previous = offset
    # AppInfo, then SortInfo, sit between the list and the first resource's
    # data, each running to whatever follows it; 0 means the block is absent.
    first_data = struct.unpack_from(RESOURCE_ENTRY, data, PDB_HEADER_SIZE)[2]
    for label, offset in (("AppInfo", app_info), ("SortInfo", sort_info)):
        if offset == 0:
            continue
        what = "%s offset %d" % (label, offset)
        check_in_data_area(what, offset, list_end, len(data))
        if offset > first_data:
            raise Refused("%s past the start of resource 0's data at %d" % (what, first_data))
        if app_info and offset < app_info:
            raise Refused("%s before the AppInfo block at %d" % (what, app_info))
    return "prc"


def check_records(data, count, app_info, sort_info):
    """A record database: the record list inside the file, each record's
    data after it, in order and inside the file, AppInfo and SortInfo as in
    a resource database. An empty database (no records) is a database."""
    list_end = PDB_HEADER_SIZE + RECORD_ENTRY_SIZE * count
    if list_end > len(data):
        raise Refused("record list of %d entries ends at byte %d, past the file's %d bytes"
                      % (count, list_end, len(data)))
    previous = list_end
    offsets = []
    for i in range(count):
        offset = struct.unpack_from(RECORD_ENTRY, data, PDB_HEADER_SIZE + RECORD_ENTRY_SIZE * i)[0]
        what = "record %d data offset %d" % (i, offset)
        check_in_data_area(what, offset, list_end, len(data), "record")
        if offset < previous:
            raise Refused("%s not in increasing order (previous %d)" % (what, previous))
        previous = offset
        offsets.append(offset)
    first_data = offsets[0] if offsets else len(data)
    for label, offset in (("AppInfo", app_info), ("SortInfo", sort_info)):
        if offset == 0:
            continue
        what = "%s offset %d" % (label, offset)
        check_in_data_area(what, offset, list_end, len(data), "record")
        if offset > first_data:
            raise Refused("%s past the start of record 0's data at %d" % (what, first_data))
        if app_info and offset < app_info:
            raise Refused("%s before the AppInfo block at %d" % (what, app_info))


def database_name(data):
    return data[:32].split(b"\0", 1)[0]


def check_queued_name(name, kind):
    """The base name a further database is queued under: a plain Windows
    file name in Windows-1252 that ends in its kind's extension."""
    try:
        name.encode("cp1252")
    except UnicodeEncodeError:
        raise Refused("queued name %r holds a character that Windows-1252 lacks" % name)
    if len(name) > QUEUED_NAME_LIMIT:
        raise Refused("queued name %r of %d characters, more than %d" % (name, len(name), QUEUED_NAME_LIMIT))
    bad = [c for c in name if ord(c) < 0x20 or c in NOT_IN_FILE_NAMES]
    if bad or name.endswith((".", " ")):
        raise Refused("queued name %r is no plain file name" % name)
    if not name.lower().endswith("." + kind):
        raise Refused("queued name %r lacks the extension .%s of a %s" % (name, kind, {
            "prc": "resource database", "pdb": "record database", "pqa": "record database of type 'pqa '"}[kind]))


def check_databases(sources):
    """[(source, queued name, data, kind)] for the set, in order."""
    if len(sources) > MAX_DATABASES:
        raise Refused("%d databases, more than the %d the installer queues" % (len(sources), MAX_DATABASES),
                      sources[MAX_DATABASES])
    checked = []
    for i, source in enumerate(sources):
        try:
            with open(source, "rb") as f:
                data = f.read()
        except OSError as error:
            raise Refused("cannot read: %s" % error.strerror, source)
        for earlier, _, _, _ in checked:
            if os.path.realpath(earlier) == os.path.realpath(source):
                raise Refused("given twice", source)
        try:
            kind = check_database(data, resource=(i == 0))
            name = APPLICATION_NAME if i == 0 else os.path.basename(source)
            if i:
                check_queued_name(name, kind)
        except Refused as error:
            raise Refused(str(error), source)
        for earlier, earlier_name, earlier_data, _ in checked:
            if earlier_name.lower() == name.lower():
                raise Refused("queued name %r also that of %s" % (name, earlier), source)
            if database_name(earlier_data) == database_name(data):
                raise Refused("database name %r also that of %s: the handheld would keep one"
                              % (database_name(data).decode("latin-1"), earlier), source)
        checked.append((source, name, data, kind))
    return checked


def write_databases(folder, checked):
    """The copies, the resource script part and the release notes' lines."""
    os.makedirs(folder, exist_ok=True)
    script = [b"// The further databases, each queued under the name that the PRCNAME",
              b"// resource of its id holds (written by tools/release/check_content.py)."]
    names = []
    notes = []
    for i, (source, name, data, _) in enumerate(checked):
        copy = "kelvane.prc" if i == 0 else "database_%d" % (FURTHER_DATABASES_ID + i - 1)
        write_file(os.path.join(folder, copy), data)
        if i:
            # The copy by its full path (the resource compiler reads the
            # path's bytes as they are), the name in Windows-1252.
            script.append(b'%d PRC "%s"' % (FURTHER_DATABASES_ID + i - 1,
                                            os.fsencode(os.path.abspath(os.path.join(folder, copy)))))
            names.append(b'%d PRCNAME { "%s\\0" }' % (FURTHER_DATABASES_ID + i - 1, name.encode("cp1252")))
        notes.append("  %-31s %-31s %s %s %7d  %s" % (
            name, database_name(data).decode("cp1252", "replace"), data[60:64].decode("latin-1"),
            data[64:68].decode("latin-1"), len(data), hashlib.sha256(data).hexdigest()))
    script += names
    write_file(os.path.join(folder, "databases.rc"), b"\r\n".join(script) + b"\r\n")
    write_file(os.path.join(folder, "databases.txt"), ("\n".join(notes) + "\n").encode("utf-8"))


def write_file(path, data):
    with open(path + ".part", "wb") as f:
        f.write(data)
    os.replace(path + ".part", path)


def main_databases(folder, sources):
    try:
        checked = check_databases(sources)
    except Refused as error:
        print("%s: payload refused: %s" % (error.args[1], error.args[0]), file=sys.stderr)
        return 1
    if folder != "-":
        write_databases(folder, checked)
    return 0


def check_license(data):
    if not data:
        raise Refused("licence text empty: 0 bytes")
    if b"\0" in data:
        raise Refused("NUL byte in the licence text at offset %d" % data.index(b"\0"))
    for bom, encoding in ((b"\xef\xbb\xbf", "UTF-8"), (b"\xff\xfe", "UTF-16"), (b"\xfe\xff", "UTF-16")):
        if data.startswith(bom):
            raise Refused("not single-byte text: %s byte-order mark %s" % (encoding, bom.hex(" ")))
    if any(b >= 0x80 for b in data):
        try:
            data.decode("utf-8")
        except UnicodeDecodeError:
            pass
        else:
            first = next(i for i, b in enumerate(data) if b >= 0x80)
            raise Refused("not single-byte text: UTF-8 sequence at offset %d (save it as Windows-1252)"
                          % first)
    text = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
    converted = text.count(b"\r\n") - data.count(b"\r\n")
    if len(text) >= LICENSE_LIMIT:
        raise Refused("licence text %d bytes%s, not below %d: the dialog would cut it"
                      % (len(text), " after CR LF" if converted else "", LICENSE_LIMIT))
    return text


def check_icon(data):
    if len(data) < 6:
        raise Refused("icon header incomplete: %d of 6 bytes" % len(data))
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise Refused("not an icon file: header reserved %d, type %d (want 0, 1)" % (reserved, kind))
    if 6 + 16 * count > len(data):
        raise Refused("icon directory of %d images ends past the file's %d bytes" % (count, len(data)))
    found = {}
    for i in range(count):
        width, height, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        width, height = width or 256, height or 256
        if offset + size > len(data) or size < 40:
            raise Refused("icon image %d (%dx%d) at %d, %d bytes, lies outside the file of %d bytes"
                          % (i, width, height, offset, size, len(data)))
        image = data[offset:offset + size]
        if (width, height) in ICON_SIZES_NEEDED and image.startswith(PNG_SIGNATURE):
            # Windows before Vista cannot draw PNG-compressed icon images.
            raise Refused("icon image %d (%dx%d) is PNG-compressed, not a bitmap" % (i, width, height))
        if not image.startswith(PNG_SIGNATURE):
            header_size, bitmap_width, bitmap_height = struct.unpack_from("<Iii", image, 0)
            if header_size != 40 or (bitmap_width, bitmap_height) != (width, 2 * height):
                raise Refused("icon image %d: directory says %dx%d, bitmap header %dx%d"
                              % (i, width, height, bitmap_width, bitmap_height // 2))
        found[(width, height)] = True
    for size in ICON_SIZES_NEEDED:
        if size not in found:
            have = ", ".join("%dx%d" % s for s in sorted(found)) or "none"
            raise Refused("icon lacks a %dx%d image: has %s" % (size + (have,)))
    return data


CHECKS = {"payload": lambda data: check_payload(data) and data, "license": check_license, "icon": check_icon}
LABELS = {"payload": "payload", "license": "licence", "icon": "icon"}


def main(argv):
    if len(argv) >= 4 and argv[1] == "databases":
        return main_databases(argv[2], argv[3:])
    if len(argv) not in (3, 4) or argv[1] not in CHECKS:
        print("usage: check_content.py payload|license|icon SOURCE [COPY]\n"
              "       check_content.py databases FOLDER|- APPLICATION.prc [DATABASE...]", file=sys.stderr)
        return 2
    kind, source = argv[1:3]
    copy = argv[3] if len(argv) == 4 else None
    if copy and os.path.lexists(copy) and not os.path.isfile(copy):
        print("%s: not a regular file; the copy is not written there" % copy, file=sys.stderr)
        return 2
    # A refused file must not leave an older, accepted copy behind.
    if copy and os.path.exists(copy):
        os.remove(copy)
    try:
        with open(source, "rb") as f:
            data = f.read()
        carried = CHECKS[kind](data)
    except OSError as error:
        print("%s: %s refused: cannot read: %s" % (source, LABELS[kind], error.strerror), file=sys.stderr)
        return 1
    except Refused as error:
        print("%s: %s refused: %s" % (source, LABELS[kind], error), file=sys.stderr)
        return 1
    converted = carried.count(b"\r\n") - data.count(b"\r\n")
    if converted:
        print("%s: %d LF line end(s) turned into CR LF" % (source, converted))
    if not copy:
        return 0
    os.makedirs(os.path.dirname(copy) or ".", exist_ok=True)
    with open(copy + ".part", "wb") as f:
        f.write(carried)
    os.replace(copy + ".part", copy)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
