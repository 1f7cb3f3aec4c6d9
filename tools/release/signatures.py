"""The Authenticode signature of one program, read with pefile and
asn1crypto and verified: the file's digest, the signature and the signer's
chain by osslsigncode; the RFC 3161 timestamp by openssl ts (osslsigncode
reports a timestamp that fails and still succeeds); and here what neither
checks: that the signer's certificate is for code signing and valid now.
"""
import datetime
import os
import re
import struct
import subprocess
import tempfile

import pefile
from asn1crypto import cms, tsp, x509  # noqa: F401 (tsp makes the timestamp's content readable)

SECURITY_DIRECTORY = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]
WIN_CERT_TYPE_PKCS_SIGNED_DATA = 2
RFC3161_TIMESTAMP = "1.3.6.1.4.1.311.3.3.1"
# Verifying is local work; a bound keeps a stuck tool from stopping the release.
VERIFY_TIMEOUT = 60
NO_TIMESTAMP = "no timestamp: the signature is valid only while the certificate is"


class Refused(Exception):
    pass


class Signature:
    def __init__(self, signer, timestamp_time=None, authority=None):
        self.signer = signer
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
    for attribute in attributes if attributes.native is not None else []:
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
    return info["gen_time"].native, authority.subject.human_friendly if authority else "an unnamed authority"


def verify(path, name, ca, tsa_ca, timestamp_wanted):
    """Signature of the program at path, verified; Refused naming the cause."""
    try:
        content = signed_data(path, name)
        signer_info = content["signer_infos"][0]
        certificate = certificate_of(content, signer_info)
        token = timestamp_token(signer_info)
    except (ValueError, KeyError, IndexError, struct.error) as error:
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
        return Signature(signer)
    return Signature(signer, *verify_timestamp(token, signer_info, tsa_ca, name))


def same_code(unsigned_path, signed_path):
    """Signing adds a signature and touches no section of the program."""
    sections = [[s.get_data() for s in pefile.PE(p).sections] for p in (unsigned_path, signed_path)]
    return sections[0] == sections[1]
