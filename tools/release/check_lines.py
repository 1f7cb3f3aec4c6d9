#!/usr/bin/env python3
"""Checks the maker's lines of text: the support address of the user
database messages, the web line and the rights notice of the licence dialog,
and the product's edition and version (in the licence dialog's caption and
product line, two messages and the worker's records).

    check_lines.py --support-email=ADDRESS --web-line=TEXT --rights-notice=TEXT
                   --edition=NAME --version=X.Y.Z
    check_lines.py --from FOLDER --header HEADER

The first form checks the values given (any of them) and names each by
its option. The second reads each value from FOLDER/<cache variable>.txt, as
the build writes them, names it by that variable, and writes HEADER, which
defines each as a C string literal in Windows-1252 for the programs and the
installer's resource script.

A value arrives as UTF-8 bytes. One that breaks a rule stops the build with
one line naming it, the rule and the value, and no header is written.
"""

import os
import sys
import unicodedata

CODE_PAGE = "cp1252"  # the code page of the messages and of the dialog's script
ADDRESS_LIMIT = 100
# The edition stands in the caption, the product line and two messages,
# whose buffers hold far more; what the dialog shows is measured by the
# release (tools/release/measure_lines.cpp).
EDITION_LIMIT = 24
VERSION_LIMIT = 16


class Refused(Exception):
    pass


class Line:
    def __init__(self, option, variable, limit, place, rule=None):
        self.option, self.variable, self.limit, self.place, self.rule = option, variable, limit, place, rule


def check_address(text):
    spaces = [i for i, c in enumerate(text) if c.isspace()]
    if spaces:
        raise Refused("not one word: a space at character %d" % (spaces[0] + 1))
    name, _, domain = text.partition("@")
    if text.count("@") != 1 or not name or not domain:
        raise Refused("not an address: want one '@' between a name and a domain, found %d '@'" % text.count("@"))


def check_version(text):
    parts = text.split(".")
    if not 2 <= len(parts) <= 3 or not all(part and all(c in "0123456789" for c in part) for part in parts):
        raise Refused("not a version: want two or three numbers between dots, such as 3.5.02")


# The dialog's font averages 4 dialog units a character: the web line's
# control is 122 units wide, the rights notice's (1104) 181.
LINES = (
    Line("--support-email", "KELVANE_SUPPORT_EMAIL", ADDRESS_LIMIT, "an address", check_address),
    Line("--web-line", "KELVANE_WEB_LINE", 30, "the web line's control"),
    Line("--rights-notice", "KELVANE_RIGHTS_NOTICE", 45, "control 1104"),
    Line("--edition", "KELVANE_EDITION", EDITION_LIMIT, "the caption and the product line"),
    Line("--version", "KELVANE_VERSION", VERSION_LIMIT, "a version", check_version),
)


def derived(values):
    """The forms the programs show besides the lines themselves: the
    version's first two parts (the product line's), and the edition inside
    the closing message, a wsprintf format, with each '%' doubled."""
    carried = {line.variable: text for line, text in values}
    more = []
    if "KELVANE_VERSION" in carried:
        more.append(("KELVANE_VERSION_SHOWN", b".".join(carried["KELVANE_VERSION"].split(b".")[:2])))
    if "KELVANE_EDITION" in carried:
        more.append(("KELVANE_EDITION_IN_FORMAT", carried["KELVANE_EDITION"].replace(b"%", b"%%")))
    return more


def first_control_character(text):
    for i, c in enumerate(text):
        if unicodedata.category(c) == "Cc":
            kind = "line break" if c in "\n\r\x0b\x0c\x85" else "control character"
            return "%s U+%04X at character %d" % (kind, ord(c), i + 1)
    return None


def check_line(line, raw):
    """The value's bytes in Windows-1252."""
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as error:
        raise Refused("not UTF-8: byte 0x%02X at offset %d" % (raw[error.start], error.start))
    if not text:
        raise Refused("empty")
    problem = first_control_character(text)
    if problem:
        raise Refused("not one line of printable text: " + problem)
    try:
        carried = text.encode(CODE_PAGE)
    except UnicodeEncodeError as error:
        c = text[error.start]
        raise Refused("%r (U+%04X) at character %d has no Windows-1252 byte" % (c, ord(c), error.start + 1))
    if len(carried) > line.limit:
        raise Refused("%d characters, more than the %d that %s holds" % (len(carried), line.limit, line.place))
    if line.rule:
        line.rule(text)
    return carried


def c_string(carried):
    """A C string literal that the compiler and windres both read back as
    these bytes: octal escapes (never hex, which runs on into following
    digits) for quotes, backslashes, question marks (trigraphs) and every
    byte above ASCII."""
    return '"%s"' % "".join(chr(b) if 0x20 <= b < 0x7F and chr(b) not in '"\\?' else "\\%03o" % b
                            for b in carried)


def header(values):
    text = ["// Written by the build (tools/release/check_lines.py): the maker's lines, Windows-1252.",
            "#pragma once"]
    for variable, carried in [(line.variable, carried) for line, carried in values] + derived(values):
        text.append("#define %s %s" % (variable, c_string(carried)))
    return "\n".join(text) + "\n"


def check_all(given, name_of):
    """[(line, carried)] of the lines given, or None after one message per refused value."""
    values, refused = [], False
    for line in LINES:
        if line not in given:
            continue
        raw = given[line]
        try:
            values.append((line, check_line(line, raw)))
        except Refused as error:
            shown = raw.decode("utf-8", "backslashreplace")
            print("%s refused: %s: %r" % (name_of(line), error, shown), file=sys.stderr)
            refused = True
    return None if refused else values


def given_by_options(arguments):
    by_option = {line.option: line for line in LINES}
    given = {}
    for argument in arguments:
        option, equals, value = argument.partition("=")
        if not equals or option not in by_option:
            raise SystemExit("check_lines.py: unknown argument %r (see its top)" % argument)
        # The shell's bytes, as Python decoded them from the command line.
        given[by_option[option]] = os.fsencode(value)
    return given


def given_in_folder(folder):
    given = {}
    for line in LINES:
        with open(os.path.join(folder, line.variable + ".txt"), "rb") as f:
            given[line] = f.read()
    return given


def write_header(path, text):
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with open(path + ".part", "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    os.replace(path + ".part", path)


def main(argv):
    if len(argv) == 5 and argv[1] == "--from" and argv[3] == "--header":
        folder, path = argv[2], argv[4]
        # A refused value must not leave an older, accepted header behind.
        if os.path.exists(path):
            os.remove(path)
        values = check_all(given_in_folder(folder), lambda line: line.variable)
        if values is None:
            return 1
        write_header(path, header(values))
        return 0
    values = check_all(given_by_options(argv[1:]), lambda line: line.option)
    return 0 if values is not None else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
