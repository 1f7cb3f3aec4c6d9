#!/usr/bin/env python3
"""Drops the DOS stub from a linked program when that makes its headers fit
one file-alignment unit less: compact_headers.py PROGRAM

The linker puts a 64-byte program for DOS after the DOS header, which only
prints that the program needs Windows. Without it the 32-bit programs'
headers (five sections) take exactly 512 bytes instead of 576, which the
file alignment rounds up to 1,024: 512 bytes less in each program, and
1,536 in the launcher, which carries the other two. Windows finds the PE
header through e_lfanew alone, from Windows 95 on. For DOS the header
itself becomes the program: five bytes in its reserved words that end it
at once (exit code 1), instead of a line saying so.

Only file offsets change: the section data moves down unchanged, so the
code, its addresses and the image in memory stay as they were. A program
whose headers would not shrink (64-bit headers, a larger file alignment)
is left as it is.
"""
import struct
import sys

DOS_HEADER_SIZE = 0x40
E_LFANEW = 0x3C
CHECKSUM = 64  # in the optional header
# DOS's view of the file: a header of two paragraphs, then 32 bytes of
# program whose code starts at the reserved words at 0x28 (IP 8), with a
# stack of 256 bytes: mov ax, 4C01h; int 21h.
DOS_FIELDS = (0x40, 1, 0, 2, 0x10, 0xFFFF, 0, 0x100, 0, 8, 0)  # e_cblp .. e_cs
DOS_EXIT = bytes.fromhex("b8014ccd21")
DOS_CODE_AT = 0x28


def round_up(value, unit):
    return (value + unit - 1) // unit * unit


def pe_checksum(image, field):
    """The checksum Windows checks in drivers and system files: 16-bit words
    added with their carries, the checksum field counted as 0, plus the
    file's length."""
    total = 0
    padded = image + b"\0" * (len(image) % 2)
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
    total -= struct.unpack_from("<H", image, field)[0] + struct.unpack_from("<H", image, field + 2)[0]
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


def compacted(image):
    pe = struct.unpack_from("<I", image, E_LFANEW)[0]
    if image[:2] != b"MZ" or image[pe:pe + 4] != b"PE\0\0" or pe <= DOS_HEADER_SIZE:
        return None
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    file_alignment = struct.unpack_from("<I", image, optional + 36)[0]
    headers_size = struct.unpack_from("<I", image, optional + 60)[0]
    headers_end = optional + optional_size + 40 * sections
    new_pe = DOS_HEADER_SIZE
    new_headers_size = round_up(headers_end - pe + new_pe, file_alignment)
    if new_headers_size >= headers_size:
        return None
    shift = headers_size - new_headers_size
    if struct.unpack_from("<I", image, pe + 12)[0]:
        raise SystemExit("compact_headers: a symbol table would be left behind")
    table = optional + optional_size
    for index in range(sections):
        raw = struct.unpack_from("<I", image, table + 40 * index + 20)[0]
        if raw and raw < headers_size:
            raise SystemExit("compact_headers: a section lies among the headers")
    # Data directories that hold file offsets: only the certificate table,
    # which an unsigned program lacks.
    security = optional + (96 if struct.unpack_from("<H", image, optional)[0] == 0x10B else 112) + 4 * 8
    if struct.unpack_from("<II", image, security) != (0, 0):
        raise SystemExit("compact_headers: the program is signed already")

    result = bytearray(image[:DOS_HEADER_SIZE])
    struct.pack_into("<11H", result, 2, *DOS_FIELDS)
    result[DOS_CODE_AT:DOS_CODE_AT + len(DOS_EXIT)] = DOS_EXIT
    struct.pack_into("<I", result, E_LFANEW, new_pe)
    result += image[pe:headers_end]
    result += bytes(new_headers_size - len(result))
    result += image[headers_size:]
    new_optional = optional - pe + new_pe
    struct.pack_into("<I", result, new_optional + 60, new_headers_size)
    new_table = new_optional + optional_size
    for index in range(sections):
        at = new_table + 40 * index + 20
        raw = struct.unpack_from("<I", result, at)[0]
        if raw:
            struct.pack_into("<I", result, at, raw - shift)
    if struct.unpack_from("<I", image, optional + CHECKSUM)[0]:
        field = new_optional + CHECKSUM
        struct.pack_into("<I", result, field, 0)
        struct.pack_into("<I", result, field, pe_checksum(bytes(result), field))
    return bytes(result)


def main(argv):
    path = argv[1]
    with open(path, "rb") as program:
        image = program.read()
    result = compacted(image)
    if result is not None:
        with open(path, "wb") as program:
            program.write(result)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
