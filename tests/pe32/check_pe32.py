#!/usr/bin/env python3
"""Checks a 32-bit program of the product as a file, since it cannot run
here: PE32 for i386, the Windows GUI subsystem, imports from system DLLs
only, and the resources it must carry (type:name:language, ids as #n).

check_pe32.py PROGRAM.exe [TYPE:NAME:LANG[=FILE] ...]
A resource given with =FILE must hold exactly the bytes of FILE.
"""
import struct
import sys

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "gdi32.dll", "msvcrt.dll"}
IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + 96
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.resource_rva = struct.unpack_from("<I", data, directories + 16)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, vaddr, rsize, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rsize), raw))

    def offset(self, rva):
        for vaddr, size, raw in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raw
        raise ValueError("rva %#x outside every section" % rva)

    def string_at(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        names, at = [], self.offset(self.import_rva)
        while True:
            name_rva = struct.unpack_from("<IIIII", self.data, at)[3]
            if name_rva == 0:
                return names
            names.append(self.string_at(name_rva))
            at += 20

    def resource_entries(self, directory):
        base = self.offset(self.resource_rva)
        named, ids = struct.unpack_from("<HH", self.data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                at = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            else:
                key = "#%d" % name
            yield key, target

    def resources(self):
        """{"TYPE:NAME:LANG": bytes}"""
        found = {}
        base = self.offset(self.resource_rva)
        for rtype, t in self.resource_entries(0):
            for rname, n in self.resource_entries(t & 0x7FFFFFFF):
                for lang, entry in self.resource_entries(n & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + entry)
                    start = self.offset(rva)
                    found["%s:%s:%s" % (rtype, rname, lang[1:])] = self.data[start:start + size]
        return found


def main(argv):
    path, wanted = argv[1], argv[2:]
    image = Image(open(path, "rb").read())
    failures = []
    if image.machine != IMAGE_FILE_MACHINE_I386 or image.magic != PE32_MAGIC:
        failures.append("not PE32 i386 (machine %#x, magic %#x)" % (image.machine, image.magic))
    if image.subsystem != SUBSYSTEM_WINDOWS_GUI:
        failures.append("subsystem %d, not the Windows GUI" % image.subsystem)
    foreign = [d for d in image.imports() if d.lower() not in SYSTEM_DLLS]
    if foreign:
        failures.append("imports from non-system DLLs: " + ", ".join(foreign))
    resources = image.resources() if image.resource_rva else {}
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
