#!/usr/bin/env python3
"""The 32-bit programs run on an 80386: their code holds no instruction of
a later processor, and no MMX or SSE register. A finding names the
instruction and the function it sits in, read from the unstripped copy of
the program that the build keeps; that copy's code must be the shipped
code, byte for byte.

check_instructions.py OBJDUMP PROGRAM.exe=UNSTRIPPED.exe ...
"""
import os
import re
import subprocess
import sys

from pe_image import read_image

# Mnemonic (as objdump writes it, size suffix allowed) and the processor
# that brought it.
LATER_INSTRUCTIONS = [
    (r"bswap|cmpxchg|xadd|invd|wbinvd|invlpg", "80486"),
    (r"cmpxchg8b|rdtsc|rdmsr|wrmsr|cpuid|rsm", "Pentium"),
    (r"cmov\w+|fcmov\w+|f(u)?comip?|rdpmc|sysenter|sysexit", "Pentium Pro"),
    # The long no-op (0F 1F) that assemblers pad with for newer processors.
    (r"nop[lw]", "Pentium Pro"),
    (r"emms|movnti|[lsm]fence|clflush|prefetch\w*|[ls]dmxcsr|fxsave|fxrstor", "Pentium (MMX/SSE)"),
]
LATER = [(re.compile("(%s)[bwlq]?$" % pattern), cpu) for pattern, cpu in LATER_INSTRUCTIONS]
VECTOR_REGISTER = re.compile(r"%([xyz]?mm\d+)")
PREFIXES = {"lock", "rep", "repz", "repnz", "repe", "repne", "data16", "addr16", "cs", "ds", "es", "fs", "gs", "ss"}
# Data that the linker places among the code: the (empty) constructor and
# destructor lists.
DATA_IN_CODE = {"__CTOR_LIST__", "__DTOR_LIST__", "___CTOR_LIST__", "___DTOR_LIST__"}
LABEL = re.compile(r"^[0-9a-f]+ <(.+)>:$")


def findings(objdump, unstripped):
    listing = subprocess.run([objdump, "-d", "--no-show-raw-insn", unstripped], check=True,
                             capture_output=True, text=True).stdout
    function, found = "?", []
    for line in listing.splitlines():
        label = LABEL.match(line)
        if label:
            function = label.group(1)
            continue
        instruction = re.match(r"^\s*([0-9a-f]+):\t(.*)$", line)
        if not instruction or function in DATA_IN_CODE:
            continue
        address, text = instruction.groups()
        words = [w for w in text.split() if w not in PREFIXES]
        mnemonic = words[0] if words else ""
        for pattern, cpu in LATER:
            if pattern.match(mnemonic):
                found.append("%s (%s) at %s in %s" % (mnemonic, cpu, address, function))
        register = VECTOR_REGISTER.search(text)
        if register:
            found.append("%s uses %s (MMX/SSE) at %s in %s" % (mnemonic, register.group(1), address, function))
        if function.startswith(("_GLOBAL__sub_I", "__GLOBAL__sub_I")):
            found.append("global constructor %s: nothing would run it" % function)
    return found


def main(argv):
    objdump, status = argv[1], 0
    for argument in argv[2:]:
        program, _, unstripped = argument.partition("=")
        name = os.path.basename(program)
        if read_image(program).section_bytes(".text") != read_image(unstripped).section_bytes(".text"):
            print("%s: code differs from %s" % (name, unstripped))
            status = 1
            continue
        found = findings(objdump, unstripped)
        for finding in sorted(set(found)):
            print("%s: %s" % (name, finding))
        status |= 1 if found else 0
        if not found:
            print("%s: 80386 instructions only" % name)
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv))
