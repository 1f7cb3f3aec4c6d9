#!/usr/bin/env python3
"""Signs the programs of a release inside out and verifies them before the
release ships anything (scripts/release.sh runs it):

    sign_release.py check SIGNING-OPTIONS
    sign_release.py sign --build BUILD --stage STAGE SIGNING-OPTIONS

SIGNING-OPTIONS name one way to sign, or none:
    --pkcs11-module MODULE --key PKCS11-URI --cert CERTS.pem --pin-file FILE
    --sign CERT.p12 --password-file FILE
    --sign-command 'COMMAND {}'
with --timestamp URL (the first two ways; a sign command timestamps for
itself), --tsa-ca FILE (the timestamp authority's root, by default the
system's trusted certificates) and --ca FILE (by default the signer's
certificates and the system's trusted ones).

check: the options, the module, the .p12 file and its password, before the
release builds anything. sign: takes the release build BUILD, signs its
placer.exe, builds there a worker that carries the signed placer.exe's
SHA-256 and signs it, builds a launcher that carries both and signs it;
verifies each signature, then the two programs again as the signed
setup.exe carries them, and the worker's digest. Writes STAGE/setup.exe,
STAGE/signatures.txt, the release notes' part on signatures, and
STAGE/programs.txt, the sizes and SHA-256 of the programs as they ship.
Without a way to sign, STAGE/setup.exe is BUILD's own. A failure prints one line naming
its cause and ends with status 1.
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys

import carried
import signers
from signatures import Refused, reason, same_code, verifies_against, verify

SYSTEM_CERTIFICATES = "/etc/ssl/certs/ca-certificates.crt"
BUILD_TIMEOUT = 600


class Way:
    def __init__(self, option, needs, make_signer, words):
        self.option, self.needs, self.make_signer, self.words = option, needs, make_signer, words


WAYS = [
    Way("--pkcs11-module", ("pkcs11_module", "key", "cert", "pin_file"), signers.token_signer,
        "with a key on a PKCS#11 token"),
    Way("--sign", ("sign", "password_file"), signers.p12_signer, "with a .p12 file"),
    Way("--sign-command", ("sign_command",), signers.command_signer, "by the maker's sign command"),
]
FILE_OPTIONS = ("pkcs11_module", "cert", "pin_file", "sign", "password_file", "ca", "tsa_ca")


class Parser(argparse.ArgumentParser):
    def error(self, message):
        raise Refused(message)


def option_name(attribute):
    return "--" + attribute.replace("_", "-")


def parse(argv):
    parser = Parser(prog="sign_release.py", add_help=False)
    parser.add_argument("action", choices=("check", "sign"))
    for name in ("build", "stage", "key", "sign_command", "timestamp") + FILE_OPTIONS:
        parser.add_argument(option_name(name))
    options = parser.parse_args(argv)
    for name in FILE_OPTIONS:
        value = getattr(options, name)
        if value is not None:
            if not os.path.exists(value):
                raise Refused("no such file: %s (%s)" % (value, option_name(name)))
            setattr(options, name, os.path.abspath(value))
    return options


def chosen_way(options):
    given = [way for way in WAYS if any(getattr(options, name) for name in way.needs)]
    if len(given) > 1:
        raise Refused("one way to sign per release: %s given together" % " and ".join(w.option for w in given))
    if not given:
        for name in ("timestamp", "tsa_ca", "ca"):
            if getattr(options, name):
                raise Refused("%s needs a way to sign" % option_name(name))
        return None
    way = given[0]
    missing = [option_name(name) for name in way.needs if not getattr(options, name)]
    if missing:
        raise Refused("%s needs %s" % (way.option, ", ".join(missing)))
    if way.option == "--sign-command":
        if options.timestamp:
            raise Refused("--timestamp does not go with --sign-command: the command timestamps for itself")
        if "{}" not in options.sign_command:
            raise Refused("--sign-command needs {} where the path of the file to sign goes")
    if way.option == "--pkcs11-module" and not options.key.startswith("pkcs11:"):
        raise Refused("--key takes a PKCS#11 URI (pkcs11:...), not %s" % options.key)
    return way


def p12_certificates(options):
    """The certificates in the .p12 file, as PEM; Refused when its password does not open it."""
    base = ["openssl", "pkcs12", "-in", options.sign, "-passin", "file:" + options.password_file, "-nokeys"]
    # Files written by older tools use ciphers OpenSSL 3 keeps in its legacy provider.
    for extra in ([], ["-legacy"]):
        result = subprocess.run(base + extra, capture_output=True, text=True, timeout=60)
        if result.returncode == 0:
            return result.stdout
    raise Refused("the password in %s does not open %s" % (options.password_file, options.sign))


def check_signing_setup(options, way):
    """What can be checked before anything is built or signed."""
    if way is None:
        return
    if options.sign:
        p12_certificates(options)
    if options.pkcs11_module:
        signers.check_module(options.pkcs11_module)
        with open(options.cert, errors="replace") as f:
            if "-----BEGIN CERTIFICATE-----" not in f.read():
                raise Refused("no certificate in %s (--cert)" % options.cert)


def certificate_file(options, stage):
    """The --ca file, or one of the signer's certificates and the system's trusted ones."""
    if options.ca:
        return options.ca, "the maker's own certificates in %s (--ca)" % os.path.basename(options.ca)
    parts = []
    if options.sign:
        parts.append(p12_certificates(options))
    if options.cert:
        with open(options.cert) as f:
            parts.append(f.read())
    if os.path.exists(SYSTEM_CERTIFICATES):
        with open(SYSTEM_CERTIFICATES) as f:
            parts.append(f.read())
    path = os.path.join(stage, "ca.pem")
    with open(path, "w") as f:
        f.write("\n".join(parts))
    return path, "the signer's certificates and the system's trusted ones"


def build_target(build, signed_folder, target):
    """Builds target in the release build, from the signed programs in signed_folder."""
    # "cmake FOLDER" configures an existing build folder again, wherever this runs.
    for command in (["cmake", "-DKELVANE_SIGNED_PROGRAMS=" + signed_folder, build],
                    ["cmake", "--build", build, "--target", target, "-j2"]):
        try:
            result = subprocess.run(command, capture_output=True, text=True, timeout=BUILD_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Refused("building %s did not end within %d s" % (target, BUILD_TIMEOUT))
        if result.returncode != 0:
            raise Refused("building %s failed: %s" % (target, reason(result.stdout + result.stderr)))
    return os.path.join(build, "bin", target + ".exe")


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def read(path):
    with open(path, "rb") as f:
        return f.read()


class ProgramSigner:
    """Signs a copy of a program in place, and verifies it."""

    def __init__(self, signer, ca, tsa_ca, timestamp_wanted):
        self.signer, self.ca, self.tsa_ca, self.timestamp_wanted = signer, ca, tsa_ca, timestamp_wanted

    def sign(self, source, target, name):
        """(unsigned, signed) bytes."""
        shutil.copyfile(source, target)
        print("== Signing %s" % name, flush=True)
        self.signer.sign(target, name)
        # A file left unsigned is named so before it counts as changed.
        self.verify(target, name)
        if not same_code(source, target):
            raise Refused("signing changed %s beyond adding a signature" % name)
        return read(source), read(target)

    def verify(self, path, name):
        return verify(path, name, self.ca, self.tsa_ca, self.timestamp_wanted)


def sign_inside_out(signer, build, stage):
    """(unsigned, signed) bytes of placer.exe, worker.exe and setup.exe. Each
    program carries the signed bytes, or their digest, of the one it starts."""
    signed_folder = os.path.join(build, "signed")
    shutil.rmtree(signed_folder, ignore_errors=True)
    os.makedirs(signed_folder)
    placer = signer.sign(os.path.join(build, "bin", "placer.exe"), os.path.join(signed_folder, "placer.exe"),
                         "placer.exe")
    worker = signer.sign(build_target(build, signed_folder, "worker_carrying_signed"),
                         os.path.join(signed_folder, "worker.exe"), "worker.exe")
    setup = signer.sign(build_target(build, signed_folder, "setup_carrying_signed"),
                        os.path.join(stage, "setup.exe"), "setup.exe")
    return placer, worker, setup


def verify_as_shipped(signer, stage, placer, worker, setup):
    """The signatures of setup.exe and of the two programs read out of it."""
    carried_placer, carried_worker = carried.carried_programs(setup)
    if (carried_placer, carried_worker) != (placer, worker):
        raise Refused("the signed setup.exe does not carry the signed placer.exe and worker.exe byte for byte")
    signatures = {}
    for name, data in (("placer.exe", carried_placer), ("worker.exe", carried_worker)):
        path = os.path.join(stage, "carried-" + name)
        with open(path, "wb") as f:
            f.write(data)
        signatures[name] = signer.verify(path, "the carried " + name)
    signatures["setup.exe"] = signer.verify(os.path.join(stage, "setup.exe"), "setup.exe")
    return signatures


def trust_line(stage, own_words):
    """Whether the signatures verify against the system's trusted
    certificates as well, or only against the ones the maker gave."""
    alone = [name for name in ("setup.exe", "carried-placer.exe", "carried-worker.exe")
             if not verifies_against(os.path.join(stage, name), SYSTEM_CERTIFICATES)]
    if not alone:
        return "  they verify against the system's trusted certificates too"
    names = "the signatures" if len(alone) == 3 else "the signatures of " + ", ".join(
        name.replace("carried-", "") for name in alone)
    return ("  %s verify only against %s, not against the system's trusted certificates:"
            " Windows trusts them only where that certificate is installed" % (names, own_words))


def program_lines(stage, plain_build):
    """Sizes and SHA-256 of the programs that ship: setup.exe, and the two as it carries them."""
    setup = read(os.path.join(stage, "setup.exe"))
    placer, worker = carried.carried_programs(setup)
    lines = ["Programs as they ship (placer.exe and worker.exe as setup.exe carries them):"]
    lines += ["  %-11s %6d bytes  SHA-256 %s" % (name, len(data), sha256(data))
              for name, data in (("setup.exe", setup), ("placer.exe", placer), ("worker.exe", worker))]
    if plain_build != setup:
        lines.append("Plain build of the same sources (unsigned, not shipped): setup.exe SHA-256 "
                     + sha256(plain_build))
    return lines


def describe(name, note, program, signature):
    unsigned, signed = program
    return ["  %s%s: %d bytes unsigned, %d signed" % (name, note, len(unsigned), len(signed)),
            "    SHA-256 unsigned: " + sha256(unsigned),
            "    SHA-256 signed:   " + sha256(signed),
            "    signer: " + signature.signer,
            "    " + signature.timestamp_line()]


def sign_programs(options, way):
    """The release notes' lines on the signatures."""
    ca, ca_words = certificate_file(options, options.stage)
    signer = ProgramSigner(way.make_signer(options), ca, options.tsa_ca or SYSTEM_CERTIFICATES,
                           bool(options.timestamp))
    placer, worker, setup = sign_inside_out(signer, options.build, options.stage)
    signatures = verify_as_shipped(signer, options.stage, placer[1], worker[1], setup[1])

    tsa_words = os.path.basename(options.tsa_ca) if options.tsa_ca else "the system's trusted certificates"
    unsigned_worker = read(os.path.join(options.build, "bin", "worker.exe"))
    digests = sorted(set(name for signature in signatures.values() for name in signature.digests))
    return (["Signatures: Authenticode, %s, inside out" % way.words,
             "  each signature's digests read back: %s" % ", ".join(digests),
             "  verified against %s, timestamps against %s;" % (ca_words, tsa_words),
             trust_line(options.stage, ca_words if options.ca else "the signer's own certificates"),
             "  placer.exe and worker.exe verified as the signed setup.exe carries them"]
            + describe("placer.exe", "", placer, signatures["placer.exe"])
            + describe("worker.exe", " (carrying the signed placer.exe's SHA-256)", worker, signatures["worker.exe"])
            + ["    (the plain build's worker.exe, unsigned, not shipped: SHA-256 %s)" % sha256(unsigned_worker)]
            + describe("setup.exe", " (carrying both signed programs)", setup, signatures["setup.exe"]))


def main(argv):
    try:
        options = parse(argv)
        way = chosen_way(options)
        check_signing_setup(options, way)
        if options.action == "check":
            return 0
        if not options.build or not options.stage:
            raise Refused("sign needs --build and --stage")
        os.makedirs(options.stage, exist_ok=True)
        if way is None:
            shutil.copyfile(os.path.join(options.build, "bin", "setup.exe"), os.path.join(options.stage, "setup.exe"))
            lines = ["Signatures: none: the programs are unsigned"]
        else:
            lines = sign_programs(options, way)
        with open(os.path.join(options.stage, "signatures.txt"), "w") as f:
            f.write("\n".join(lines) + "\n")
        plain_build = read(os.path.join(options.build, "bin", "setup.exe"))
        with open(os.path.join(options.stage, "programs.txt"), "w") as f:
            f.write("\n".join(program_lines(options.stage, plain_build)) + "\n")
        return 0
    except Refused as refusal:
        print("release: refused: %s" % refusal, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
