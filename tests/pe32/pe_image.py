"""What the checks of this folder need from a Windows program file, read
with pefile: machine, subsystem, imports by DLL and function, sections,
resources."""
import pefile

IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2


def entry_key(entry):
    return str(entry.name) if entry.name is not None else "#%d" % entry.id


class Image:
    def __init__(self, data):
        self.pe = pefile.PE(data=data)
        header = self.pe.OPTIONAL_HEADER
        self.machine = self.pe.FILE_HEADER.Machine
        self.magic = header.Magic
        self.subsystem = header.Subsystem
        self.subsystem_version = (header.MajorSubsystemVersion, header.MinorSubsystemVersion)

    def section_bytes(self, wanted):
        for section in self.pe.sections:
            if section.Name.rstrip(b"\0").decode("ascii") == wanted:
                return section.get_data()[:section.Misc_VirtualSize]
        return None

    def import_table(self):
        """[(dll, [function or "#ordinal", ...]), ...] in file order."""
        return [(entry.dll.decode("ascii"),
                 [imported.name.decode("ascii") if imported.name else "#%d" % imported.ordinal
                  for imported in entry.imports])
                for entry in getattr(self.pe, "DIRECTORY_ENTRY_IMPORT", [])]

    def imports(self):
        return [dll for dll, _ in self.import_table()]

    def resources(self):
        """{"TYPE:NAME:LANG": bytes}"""
        found = {}
        directory = getattr(self.pe, "DIRECTORY_ENTRY_RESOURCE", None)
        for rtype in directory.entries if directory else []:
            for rname in rtype.directory.entries:
                for lang in rname.directory.entries:
                    data = lang.data.struct
                    key = "%s:%s:%d" % (entry_key(rtype), entry_key(rname), lang.id)
                    found[key] = self.pe.get_data(data.OffsetToData, data.Size)
        return found


def read_image(path):
    with open(path, "rb") as f:
        return Image(f.read())
