"""The three ways to sign one program in place: a key on a token or HSM
through its PKCS#11 module, a .p12 file, or the maker's own command. The
first two sign with osslsigncode (Authenticode, SHA-256) and add the RFC
3161 timestamp in a step of its own, so that a failure there is known for
the timestamp authority's. Each failure is a Refused naming its cause.
"""
import ctypes
import os
import shlex
import subprocess

from signatures import Refused, reason

DESCRIPTION = "Kelvane Setup"
# A token or a .p12 file answers at once, a timestamp authority within
# seconds; a signing service may queue the request for a while.
SIGN_TIMEOUT = 120
COMMAND_TIMEOUT = 600

# What osslsigncode (through OpenSSL's pkcs11 engine) says, and the cause,
# first match wins.
KEY_CAUSES = [
    ("PIN incorrect", "the token refused the PIN in {pin_file}"),
    ("PIN len range", "the token refused the PIN in {pin_file}: not of a length it takes"),
    ("PIN locked", "the token's PIN is locked: too many wrong PINs were tried"),
    ("No matching initialized token", "no token matches the key {key}"),
    ("object not found", "the key {key} is not on the token"),
    ("Unable to load", "the PKCS#11 module {module} does not load"),
    ("key values mismatch", "the certificate in {cert} is not the one of the key"),
    ("Wrong password", "the password in {password_file} does not open {p12}"),
]
UNREACHABLE = ("Couldn't connect", "Connection refused", "connect error", "Could not resolve", "Failed to get data")


def run(command, timeout, **options):
    return subprocess.run(command, capture_output=True, text=True, timeout=timeout, **options)


def check_module(module):
    """A module that does not load fails here, not half-way through."""
    try:
        library = ctypes.CDLL(module)
    except OSError as error:
        raise Refused("the PKCS#11 module %s does not load: %s" % (module, error))
    if not hasattr(library, "C_GetFunctionList"):
        raise Refused("%s is not a PKCS#11 module: it has no C_GetFunctionList" % module)


class OsslsigncodeSigner:
    """Signs with a key osslsigncode reaches: key_options name it."""

    def __init__(self, key_options, timestamp_url, names):
        self.key_options = key_options
        self.timestamp_url = timestamp_url
        self.names = names  # the options' values, for the messages

    def sign(self, path, name):
        self.osslsigncode(["sign"] + self.key_options + ["-h", "sha256", "-n", DESCRIPTION], path, name,
                          self.signing_failed)
        if self.timestamp_url:
            self.osslsigncode(["add", "-ts", self.timestamp_url], path, name, self.timestamp_failed)

    def osslsigncode(self, arguments, path, name, cause):
        out = path + ".out"
        if os.path.exists(out):
            os.remove(out)  # osslsigncode overwrites no file
        try:
            result = run(["osslsigncode"] + arguments + ["-in", path, "-out", out], SIGN_TIMEOUT)
        except subprocess.TimeoutExpired:
            raise Refused(cause(name, None))
        if result.returncode != 0:
            raise Refused(cause(name, result.stdout + result.stderr))
        os.replace(out, path)

    def signing_failed(self, name, output):
        if output is None:
            return "signing %s did not end within %d s" % (name, SIGN_TIMEOUT)
        for pattern, cause in KEY_CAUSES:
            if pattern in output:
                return cause.format(**self.names)
        return "osslsigncode could not sign %s: %s" % (name, reason(output))

    def timestamp_failed(self, name, output):
        url = self.timestamp_url
        if output is None:
            return "the timestamp authority %s did not answer within %d s" % (url, SIGN_TIMEOUT)
        if any(sign in output for sign in UNREACHABLE):
            return "the timestamp authority %s does not answer" % url
        return "the timestamp authority %s gave no timestamp for %s: %s" % (url, name, reason(output))


class CommandSigner:
    """The maker's command, {} replaced by the path of the file it signs in place."""

    def __init__(self, command):
        self.command = command

    def sign(self, path, name):
        command = self.command.replace("{}", shlex.quote(path))
        try:
            result = run(command, COMMAND_TIMEOUT, shell=True)
        except subprocess.TimeoutExpired:
            raise Refused("the sign command did not end within %d s on %s" % (COMMAND_TIMEOUT, name))
        if result.returncode != 0:
            raise Refused("the sign command failed on %s (exit status %d): %s"
                          % (name, result.returncode, reason(result.stdout + result.stderr)))


def token_signer(options):
    check_module(options.pkcs11_module)
    key_options = ["-pkcs11module", options.pkcs11_module, "-key", options.key,
                   "-certs", options.cert, "-readpass", options.pin_file]
    return OsslsigncodeSigner(key_options, options.timestamp, vars(options))


def p12_signer(options):
    key_options = ["-pkcs12", options.sign, "-readpass", options.password_file]
    return OsslsigncodeSigner(key_options, options.timestamp, dict(vars(options), p12=options.sign))


def command_signer(options):
    return CommandSigner(options.sign_command)
