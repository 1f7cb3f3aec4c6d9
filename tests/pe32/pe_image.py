"""Reads what the checks of this folder need from a Windows program file:
machine, subsystem, imports by DLL and function, sections, resources."""
import struct

IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
PE32_PLUS_MAGIC = 0x20B
SUBSYSTEM_WINDOWS_GUI = 2
ORDINAL_FLAG = {PE32_MAGIC: 0x80000000, PE32_PLUS_MAGIC: 0x8000000000000000}


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
        self.subsystem_version = struct.unpack_from("<HH", data, optional + 48)
        directories = optional + (96 if self.magic == PE32_MAGIC else 112)
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.resource_rva = struct.unpack_from("<I", data, directories + 16)[0]
        self.sections = []
        self.section_names = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, vaddr, rsize, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rsize), raw))
            self.section_names.append((name.rstrip(b"\0").decode("ascii"), vsize, raw))

    def offset(self, rva):
        for vaddr, size, raw in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raw
        raise ValueError("rva %#x outside every section" % rva)

    def string_at(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def section_bytes(self, wanted):
        for name, size, raw in self.section_names:
            if name == wanted:
                return self.data[raw:raw + size]
        return None

    def import_table(self):
        """[(dll, [function or "#ordinal", ...]), ...] in file order."""
        table, at = [], self.offset(self.import_rva)
        entry_format = "<I" if self.magic == PE32_MAGIC else "<Q"
        entry_size = struct.calcsize(entry_format)
        while True:
            lookup_rva, _, _, name_rva, thunk_rva = struct.unpack_from("<IIIII", self.data, at)
            if name_rva == 0:
                return table
            functions, entry = [], self.offset(lookup_rva or thunk_rva)
            while True:
                value = struct.unpack_from(entry_format, self.data, entry)[0]
                if value == 0:
                    break
                if value & ORDINAL_FLAG[self.magic]:
                    functions.append("#%d" % (value & 0xFFFF))
                else:
                    functions.append(self.string_at(value + 2))  # after the hint
                entry += entry_size
            table.append((self.string_at(name_rva), functions))
            at += 20

    def imports(self):
        return [dll for dll, _ in self.import_table()]

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
        if not self.resource_rva:
            return {}
        found = {}
        base = self.offset(self.resource_rva)
        for rtype, t in self.resource_entries(0):
            for rname, n in self.resource_entries(t & 0x7FFFFFFF):
                for lang, entry in self.resource_entries(n & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + entry)
                    start = self.offset(rva)
                    found["%s:%s:%s" % (rtype, rname, lang[1:])] = self.data[start:start + size]
        return found


def read_image(path):
    with open(path, "rb") as f:
        return Image(f.read())
