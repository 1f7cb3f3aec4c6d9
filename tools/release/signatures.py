"""The Authenticode signature of one program, read with pefile and
asn1crypto and verified: the file's digest, the signature and the signer's
chain by osslsigncode; the RFC 3161 timestamp by openssl ts (osslsigncode
reports a timestamp that fails and still succeeds); and here what neither
checks: that the signer's certificate is for code signing and valid now,
and that every digest the signatures rest on is one Windows still takes.
"""
import datetime
import os
import re
import struct
import subprocess
import tempfile

import pefile
from asn1crypto import algos, cms, core, tsp, x509  # noqa: F401 (tsp makes the timestamp's content readable)

SECURITY_DIRECTORY = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]
WIN_CERT_TYPE_PKCS_SIGNED_DATA = 2
RFC3161_TIMESTAMP = "1.3.6.1.4.1.311.3.3.1"
NESTED_SIGNATURE = "1.3.6.1.4.1.311.2.4.1"
# Windows rejects code signatures whose digests are SHA-1 or MD5.
STRONG_DIGESTS = ("sha256", "sha384", "sha512")
DIGEST_NAMES = {"md2": "MD2", "md5": "MD5", "sha1": "SHA-1", "sha224": "SHA-224", "sha256": "SHA-256",
                "sha384": "SHA-384", "sha512": "SHA-512"}
# Verifying is local work; a bound keeps a stuck tool from stopping the release.
VERIFY_TIMEOUT = 60
NO_TIMESTAMP = "no timestamp: the signature is valid only while the certificate is"


class Refused(Exception):
    pass


class SpcIndirectDataContent(core.Sequence):
    """What an Authenticode signature signs: the digest of the file."""
    _fields = [("data", core.Any), ("message_digest", algos.DigestInfo)]


class Signature:
    def __init__(self, signer, digests, timestamp_time=None, authority=None):
        self.signer = signer
        self.digests = digests  # the names of the digests it rests on, such as "SHA-256"
        self.timestamp_time = timestamp_time
        self.authority = authority

    def timestamp_line(self):
        if self.timestamp_time is None:
            return NO_TIMESTAMP
        return "timestamp: %s UTC, from %s" % (self.timestamp_time.strftime("%Y-%m-%d %H:%M:%S"), self.authority)


def run(command, timeout=VERIFY_TIMEOUT):
    try:
        return subprocess.run(command, capture_output=True, text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise Refused("%s did not end within %d s" % (command[0], timeout))


def reason(output):
    """The telling part of a tool's error output, for a one-line message."""
    lines = [line.strip() for line in output.splitlines() if line.strip()]
    for line in reversed(lines):
        # OpenSSL: "<thread>:error:<code>:<library>:<function>:<reason>:<file>:<line>:<detail>"
        found = re.match(r"^[0-9A-F]+:error:[0-9A-F]+:[^:]*:[^:]*:([^:]*):[^:]*:\d+:?(.*)$", line)
        if found:
            return found.group(1) + (" (%s)" % found.group(2) if found.group(2) else "")
    useful = [line for line in lines if line not in ("Failed", "Succeeded")]
    return useful[-1] if useful else "no message"


def signed_data(path, name):
    with open(path, "rb") as f:
        data = f.read()
    entry = pefile.PE(data=data, fast_load=True).OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY_DIRECTORY]
    if entry.VirtualAddress == 0 or entry.Size < 8:
        raise Refused("%s is not signed" % name)
    # The security directory holds a file offset, not an address.
    length, _, kind = struct.unpack_from("<IHH", data, entry.VirtualAddress)
    if kind != WIN_CERT_TYPE_PKCS_SIGNED_DATA:
        raise Refused("%s carries a certificate table of type %d, not an Authenticode signature" % (name, kind))
    return cms.ContentInfo.load(data[entry.VirtualAddress + 8:entry.VirtualAddress + length])["content"]


def digest_name(algorithm):
    name = algorithm["algorithm"].native
    return DIGEST_NAMES.get(name, name)


def signatures_in(content, kind=""):
    """(kind, SignedData) of the signature and of each signature nested in it."""
    found = [(kind, content)]
    for signer_info in content["signer_infos"]:
        attributes = signer_info["unsigned_attrs"]
        for attribute in attributes if not isinstance(attributes, core.Void) else []:
            if attribute["type"].dotted == NESTED_SIGNATURE:
                for nested in attribute["values"]:
                    found += signatures_in(nested["content"], "nested signature's ")
    return found


def digests_of(content):
    """(what, algorithm) for each digest that the signature, and any nested
    in it, rests on: the file's digest and each signer's."""
    found = []
    for kind, signed in signatures_in(content):
        indirect = signed["encap_content_info"]["content"].parse(SpcIndirectDataContent)
        found.append((kind + "file digest", indirect["message_digest"]["digest_algorithm"]))
        for signer_info in signed["signer_infos"]:
            found.append((kind + "signer's digest", signer_info["digest_algorithm"]))
            try:
                found.append((kind + "signature algorithm's digest", algos.DigestAlgorithm(
                    {"algorithm": signer_info["signature_algorithm"].hash_algo})))
            except ValueError:
                pass  # a bare RSA or ECDSA algorithm: the signer's digest is the one
    return found


def check_digests(content, name):
    """The names of the digests, once each is SHA-256 or stronger."""
    names = []
    for what, algorithm in digests_of(content):
        if algorithm["algorithm"].native not in STRONG_DIGESTS:
            raise Refused("the signature of %s rests on %s (its %s), not SHA-256 or stronger: Windows rejects it"
                          % (name, digest_name(algorithm), what))
        names.append(digest_name(algorithm))
    return sorted(set(names))


def certificate_of(content, signer_info):
    """The certificate of the signer that signer_info names."""
    sid = signer_info["sid"]
    for choice in content["certificates"]:
        certificate = choice.chosen
        if not isinstance(certificate, x509.Certificate):
            continue
        if sid.name == "issuer_and_serial_number":
            if certificate.issuer == sid.chosen["issuer"] and \
                    certificate.serial_number == sid.chosen["serial_number"].native:
                return certificate
        elif certificate.key_identifier == sid.chosen.native:
            return certificate
    return None


def check_for_code_signing(certificate, now):
    subject = certificate.subject.human_friendly
    usage = certificate.extended_key_usage_value
    if usage is None or "code_signing" not in usage.native:
        raise Refused("the certificate of %s is not for code signing (no code-signing extended key usage)" % subject)
    if now > certificate.not_valid_after:
        raise Refused("the certificate of %s expired on %s" % (subject, certificate.not_valid_after.date()))
    if now < certificate.not_valid_before:
        raise Refused("the certificate of %s is valid only from %s" % (subject, certificate.not_valid_before.date()))


def timestamp_token(signer_info):
    attributes = signer_info["unsigned_attrs"]
    for attribute in attributes if not isinstance(attributes, core.Void) else []:
        if attribute["type"].dotted == RFC3161_TIMESTAMP:
            return attribute["values"][0]
    return None


def verify_timestamp(token, signer_info, tsa_ca, name):
    """The token's time and authority, once it verifies against tsa_ca as
    a timestamp of this very signature."""
    with tempfile.TemporaryDirectory() as folder:
        token_file, signature_file = os.path.join(folder, "token.der"), os.path.join(folder, "signature.bin")
        with open(token_file, "wb") as f:
            f.write(token.dump())
        with open(signature_file, "wb") as f:
            f.write(signer_info["signature"].native)
        checked = run(["openssl", "ts", "-verify", "-token_in", "-in", token_file, "-data", signature_file,
                       "-CAfile", tsa_ca])
    if checked.returncode != 0:
        raise Refused("the timestamp on %s does not verify against %s: %s"
                      % (name, tsa_ca, reason(checked.stdout + checked.stderr)))
    content = token["content"]
    authority = certificate_of(content, content["signer_infos"][0])
    info = content["encap_content_info"]["content"].parsed
    for what, algorithm in (("digest of the signature", info["message_imprint"]["hash_algorithm"]),
                            ("signer's digest", content["signer_infos"][0]["digest_algorithm"])):
        if algorithm["algorithm"].native not in STRONG_DIGESTS:
            raise Refused("the timestamp on %s rests on %s (its %s), not SHA-256 or stronger"
                          % (name, digest_name(algorithm), what))
    return info["gen_time"].native, authority.subject.human_friendly if authority else "an unnamed authority"


def verify(path, name, ca, tsa_ca, timestamp_wanted):
    """Signature of the program at path, verified; Refused naming the cause."""
    try:
        content = signed_data(path, name)
        signer_info = content["signer_infos"][0]
        certificate = certificate_of(content, signer_info)
        token = timestamp_token(signer_info)
        digests = check_digests(content, name)
    except (ValueError, KeyError, IndexError, TypeError, struct.error) as error:
        raise Refused("the signature of %s cannot be read: %s" % (name, error))
    if certificate is None:
        raise Refused("the signature of %s lacks its signer's certificate" % name)
    check_for_code_signing(certificate, datetime.datetime.now(datetime.timezone.utc))
    checked = run(["osslsigncode", "verify", "-in", path, "-CAfile", ca, "-TSA-CAfile", tsa_ca])
    if checked.returncode != 0:
        raise Refused("the signature of %s does not verify against %s: %s"
                      % (name, ca, reason(checked.stdout + checked.stderr)))
    signer = certificate.subject.human_friendly
    if token is None:
        if timestamp_wanted:
            raise Refused("%s carries no timestamp, although one was asked for" % name)
        return Signature(signer, digests)
    return Signature(signer, digests, *verify_timestamp(token, signer_info, tsa_ca, name))


def verifies_against(path, ca):
    """Whether the signature of the program at path verifies against ca alone."""
    return run(["osslsigncode", "verify", "-in", path, "-CAfile", ca]).returncode == 0


def signature_fields(data):
    """(offset, length) of each header field that a signature sets: the
    checksum and the security directory entry."""
    pe = pefile.PE(data=data, fast_load=True)
    directory = pe.OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY_DIRECTORY]
    return [(pe.OPTIONAL_HEADER.get_field_absolute_offset("CheckSum"), 4),
            (directory.get_file_offset(), 8)]


def masked(data, fields):
    data = bytearray(data)
    for offset, length in fields:
        data[offset:offset + length] = bytes(length)
    return bytes(data)


def same_code(unsigned_path, signed_path):
    """Signing adds a certificate table at the end of the file, with the
    padding before it, and sets the checksum and the security directory:
    every other byte, headers and sections alike, stays as it was."""
    with open(unsigned_path, "rb") as f:
        unsigned = f.read()
    with open(signed_path, "rb") as f:
        signed = f.read()
    try:
        fields = signature_fields(unsigned)
        if fields != signature_fields(signed):
            return False
        table = pefile.PE(data=signed, fast_load=True).OPTIONAL_HEADER.DATA_DIRECTORY[SECURITY_DIRECTORY]
    except pefile.PEFormatError:
        return False
    padding = signed[len(unsigned):table.VirtualAddress]
    return (len(signed) > len(unsigned) and masked(signed[:len(unsigned)], fields) == masked(unsigned, fields)
            and len(padding) < 8 and padding == bytes(len(padding))
            and table.VirtualAddress + table.Size == len(signed))
