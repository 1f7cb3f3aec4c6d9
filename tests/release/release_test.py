#!/usr/bin/env python3
"""A release with a maker's own payload, licence and lines, signed with a
key on a token of its own (SoftHSM2) and timestamped by an authority of its
own (openssl ts on 127.0.0.1): scripts/release.sh must give a setup.exe that
carries them byte for byte (the licence with CR LF, the lines in
Windows-1252) and none of the stand-in lines, signatures on it and on
the two programs it carries that verify against that certificate only, with
timestamps, and checksums that hold; that setup.exe must run the whole
chain under Wine. Then the same build, signed the other two ways, and bad
signing input and bad lines, each refused with its cause and dist/ left as
it was. Last, the release's build folder must pick up a changed payload and
line, and stop at a bad licence.

release_test.py SOURCE_DIR WORK_DIR BIN_DIR (BIN_DIR: the test build's demo_driver.exe)
"""
import hashlib
import http.server
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SOURCE, WORK, BIN = sys.argv[1], sys.argv[2], sys.argv[3]
SOFTHSM = "/usr/lib/softhsm/libsofthsm2.so"
TOKEN_KEY = "pkcs11:token=release-test;object=signer;type=private"
NO_TIMESTAMP = "no timestamp: the signature is valid only while the certificate is"
sys.path.insert(0, os.path.join(SOURCE, "tests/pe32"))
sys.path.insert(0, os.path.join(SOURCE, "desktop/placer/content"))
from pe_image import Image  # noqa: E402
sys.path.insert(0, os.path.join(SOURCE, "tools/release"))
import land  # noqa: E402
from make_payload import build_records  # noqa: E402

failures = []


def expect(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL " + what)


def path(name):
    return os.path.join(WORK, name)


def write(name, data):
    with open(path(name), "wb") as f:
        f.write(data)
    return path(name)


def read(file_name):
    with open(file_name, "rb") as f:
        return f.read()


def run(*command, **options):
    return subprocess.run(list(command), capture_output=True, text=True, timeout=options.pop("timeout", 900),
                          **options)


def carried_content(setup_exe):
    """(payload, licence) inside the placer.exe that setup.exe carries."""
    placer = Image(Image(read(setup_exe)).resources()["PLACER:#1000:1033"]).resources()
    return placer.get("PRC:#10000:1033"), placer.get("LIC:#10001:1033")


# The maker's lines: quotes, a backslash, an '&' and characters above ASCII,
# as given; another edition and version.
LINES = {"--support-email": "h\"elp\\@m\u00e4ker.example", "--web-line": "Web: \"www.m\u00e4ker\\\" \u20ac",
         "--rights-notice": "Copyright \u00a9 2024 \"M\u00e4ker\" \\ & Co.", "--edition": "Ruby", "--version": "3.6.01"}
STAND_INS = ("support@kelvane.example", "Web: www.kelvane.example", "Copyright (c) 1999 Kelvane Software")
# One row per rule: each stops the release before it builds or writes anything.
REFUSED_LINES = [("--support-email", "help@maker@example", "one '@'"),
                 ("--web-line", "Web: www.maker.example\nsecond", "line break U+000A"),
                 ("--rights-notice", "x" * 46, "46 characters, more than the 45"),
                 ("--rights-notice", "Copyright \u2126 Maker", "no Windows-1252 byte"),
                 ("--version", "3.6.x", "not a version")]
# Lines that the characters allow but the dialog cannot show: each stops the
# release once it is measured in the running dialog.
UNFIT_LINES = [("--rights-notice", "\u00a9 1999 " + "W" * 38), ("--web-line", "W" * 30)]
# Every option that takes a value: an empty one (an unset variable in a
# maker's script) is refused, not taken as "not given".
VALUE_OPTIONS = ("--payload", "--license", "--icon", "--support-email", "--web-line", "--rights-notice",
                 "--edition", "--version",
                 "--pkcs11-module", "--key", "--cert", "--pin-file", "--sign", "--password-file", "--sign-command",
                 "--timestamp", "--tsa-ca", "--ca", "--out", "--work")
# What may stand under a release's names in dist/: the next release lands whole all the same.
LANDING_OBSTACLES = [("a folder named release.txt",
                      lambda dist: os.remove(dist + "/release.txt") or os.makedirs(dist + "/release.txt/old")),
                     ("a read-only setup.exe", lambda dist: os.chmod(os.path.join(dist, "setup.exe"), 0o444)),
                     ("an immutable SHA256SUMS", lambda dist: run("chattr", "+i", os.path.join(dist, "SHA256SUMS")))]


def lines_missing(setup_exe, email, web_line, notice, edition="Amber"):
    """The lines that the programs inside setup.exe do not carry where the messages and the dialog show them
    (the version and the records are seen in the running chain)."""
    carried = Image(read(setup_exe)).resources()
    placer, worker = carried["PLACER:#1000:1033"], carried["WORKER:#1001:1033"]
    email = email.encode("cp1252")
    wanted = [(b"send email to " + email + b" to report this problem.\0", "address in the first message"),
              (b"send email to " + email + b".\0", "address in the second message")]
    missing = [what + " of " + name for text, what in wanted for data, name in ((placer, "placer"), (worker, "worker"))
               if text not in data]
    dialog = Image(placer).resources()["#5:#113:1033"]
    if ("STATIC\0" + web_line + "\0").encode("utf-16-le") not in dialog:
        missing.append("web line")
    if b"\0" + notice.encode("cp1252") + b"\0" not in placer:
        missing.append("rights notice")
    wanted = [(dialog, ("Kelvane Setup - %s Version\0" % edition).encode("utf-16-le"), "caption"),
              (placer, ("Kelvane for PalmPilot - %s Version \0" % edition).encode("cp1252"), "product line"),
              (placer, ("The Kelvane %s version has not" % edition).encode("cp1252"), "first message"),
              (placer, (" the %s\nversion of Kelvane" % edition).encode("cp1252"), "last message")]
    return missing + [what for data, text, what in wanted if text not in data]


def records_of_the_chain(prefix):
    """The records the worker wrote in the chain's prefix, as its registry file holds them."""
    with open(os.path.join(prefix, "user.reg"), encoding="utf-8", errors="replace") as f:
        text = f.read()
    return [line for line in text.splitlines() if line.startswith('"Installed Edition"') or
            line.startswith('"Installed Version"')]


def verified_signatures(setup_exe, ca, tsa_ca=None):
    """How many of setup.exe and the two programs it carries verify against
    ca (and, given tsa_ca, carry a timestamp that verifies against it)."""
    resources = Image(read(setup_exe)).resources()
    files = [setup_exe, write("carried-placer.exe", resources["PLACER:#1000:1033"]),
             write("carried-worker.exe", resources["WORKER:#1001:1033"])]
    count = 0
    for program in files:
        checked = run("osslsigncode", "verify", "-in", program, "-CAfile", ca,
                      *(["-TSA-CAfile", tsa_ca] if tsa_ca else []))
        stamped = "Timestamp Server Signature verification: ok" in checked.stdout
        count += checked.returncode == 0 and (stamped or not tsa_ca)
    return count


def shipped_programs(setup_exe):
    resources = Image(read(setup_exe)).resources()
    return {"setup.exe": read(setup_exe), "placer.exe": resources["PLACER:#1000:1033"],
            "worker.exe": resources["WORKER:#1001:1033"]}


def untrue_figures(notes, setup_exe, content):
    """Figures in release.txt that are not those of the file they name: the
    programs as they ship, the content (bytes given and carried), or a line
    saying it is of a plain build."""
    shipped = shipped_programs(setup_exe)
    wrong = ["size and SHA-256 of " + name for name, data in shipped.items()
             if "  %-11s %6d bytes  SHA-256 %s\n" % (name, len(data), hashlib.sha256(data).hexdigest()) not in notes]
    known = [hashlib.sha256(data).hexdigest() for data in list(shipped.values()) + content]
    return wrong + [line for line in notes.splitlines() for figure in re.findall("[0-9a-f]{64}", line)
                    if figure not in known and "plain build" not in line and "unsigned" not in line]


def own_payload(name):
    # The stand-in database under another name and creator: still well formed.
    data = bytearray(read(os.path.join(SOURCE, "desktop/placer/content/kelvane.prc")))
    data[0:32] = name.ljust(32, b"\0")
    data[64:68] = b"Mkr1"
    return bytes(data)


def throw_away_certificate(name, usage="extendedKeyUsage=codeSigning", days="2"):
    key, cert, request = path(name + ".key"), path(name + ".pem"), path(name + ".csr")
    subprocess.run(["openssl", "req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", request,
                    "-subj", "/CN=" + name, "-addext", usage], check=True, capture_output=True)
    # -days -1: a certificate that has expired.
    subprocess.run(["openssl", "x509", "-req", "-in", request, "-signkey", key, "-days", days,
                    "-copy_extensions", "copy", "-out", cert], check=True, capture_output=True)
    return key, cert


def p12_file(name, key, cert, password):
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", path(name),
                    "-passout", "file:" + password], check=True)
    return path(name)


def token_with_certificate():
    """A SoftHSM2 token of this test's own, its key made on it, and a
    self-signed code-signing certificate for that key."""
    os.makedirs(path("tokens"))
    os.environ["SOFTHSM2_CONF"] = write("softhsm2.conf", ("directories.tokendir = %s\n" % path("tokens")).encode())
    for command in (["softhsm2-util", "--init-token", "--free", "--label", "release-test", "--pin", "1234",
                     "--so-pin", "12345678"],
                    ["pkcs11-tool", "--module", SOFTHSM, "--token-label", "release-test", "--login", "--pin", "1234",
                     "--keypairgen", "--key-type", "rsa:2048", "--id", "01", "--label", "signer"],
                    ["openssl", "req", "-new", "-x509", "-engine", "pkcs11", "-keyform", "engine", "-key",
                     TOKEN_KEY + ";pin-value=1234", "-subj", "/CN=Token Signer", "-days", "2",
                     "-addext", "extendedKeyUsage=codeSigning", "-out", path("token.pem")]):
        subprocess.run(command, check=True, capture_output=True, timeout=60,
                       env=dict(os.environ, PKCS11_MODULE_PATH=SOFTHSM))
    return path("token.pem"), write("pin", b"1234\n")


class TimestampAuthority(http.server.BaseHTTPRequestHandler):
    """RFC 3161 over HTTP: openssl ts answers each query; /junk answers
    with bytes that are no timestamp."""

    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = b"no timestamp" if self.path == "/junk" else self.stamp(query)
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def stamp(self, query):
        with tempfile.TemporaryDirectory(dir=WORK) as folder:
            query_file, reply_file = os.path.join(folder, "query"), os.path.join(folder, "reply")
            with open(query_file, "wb") as f:
                f.write(query)
            run("openssl", "ts", "-reply", "-config", path("tsa.cnf"), "-queryfile", query_file, "-inkey",
                path("TSA.key"), "-signer", path("TSA.pem"), "-out", reply_file, timeout=30)
            return read(reply_file) if os.path.exists(reply_file) else b""

    def log_message(self, *arguments):
        pass


def start_timestamp_authority():
    """The server, its URL and its root certificate."""
    throw_away_certificate("TSA", "extendedKeyUsage=critical,timeStamping")
    write("tsa.cnf", ("[tsa]\ndefault_tsa = own\n[own]\nserial = %s\nsigner_digest = sha256\n"
                      "default_policy = 1.2.3.4.1\ndigests = sha256\ness_cert_id_alg = sha256\n"
                      % write("tsa-serial", b"01\n")).encode())
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), TimestampAuthority)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d" % server.server_address[1], path("TSA.pem")


def runs_the_chain(setup_exe, payload, further=()):
    """setup.exe, run once in a Wine prefix of this test's own with the
    dialogs answered, queues the payload for the chosen user."""
    prefix = os.path.join(os.path.dirname(WORK), "wineprefix")  # kept between runs: it takes a while to make
    run("sh", os.path.join(SOURCE, "cmake/wine-prefix.sh"), prefix, "null", timeout=300)
    environment = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    os.makedirs(path("chain"))
    shutil.copy(setup_exe, path("chain"))
    try:
        for program, arguments in (("example_desktop.exe", [path("palm"), "2"]), ("demo_driver.exe", [path("chain")])):
            windows = ["Z:" + argument.replace("/", "\\") if "/" in argument else argument for argument in arguments]
            ran = run("/usr/lib/wine/wine64", os.path.join(BIN, program), *windows, env=environment, timeout=180)
            print(ran.stdout)
    finally:
        run("/usr/lib/wine/wineserver", "-k", env=environment, timeout=60)
    queued = [(path("palm/JonesB/install/kelv.prc"), payload)]
    queued += [(path("palm/JonesB/install/" + os.path.basename(database)), database) for database in further]
    expect(records_of_the_chain(prefix) == ['"Installed Edition"="Ruby"', '"Installed Version"="3.6.01"'],
           "the chain's records are not the release's edition and version: %s" % records_of_the_chain(prefix))
    return ran.returncode == 0 and all(os.path.exists(name) and read(name) == read(given) for name, given in queued)


def release(*options):
    return run("sh", os.path.join(SOURCE, "scripts/release.sh"), "--out", path("dist"), "--work", path("work"),
               *options)


def snapshot(folder):
    return {os.path.relpath(os.path.join(at, name), folder): read(os.path.join(at, name))
            for at, _, names in os.walk(folder) for name in names}


def sign_command(p12, password, digest="sha256", before="", name="sign.sh"):
    """A sign command that notes the order of the files it signs."""
    script = write(name, ('echo "$(basename "$1")" >>%s\n%s'
                          'osslsigncode sign -pkcs12 %s -readpass %s -h %s -in "$1" -out "$1.signed" &&'
                          ' mv "$1.signed" "$1"\n' % (path("order"), before, p12, password, digest)).encode())
    return "sh %s {}" % script


# A sign command that moves the entry point before it signs: the sections stay as they were.
MOVES_ENTRY_POINT = ("python3 -c \"import sys; f = open(sys.argv[1], 'r+b'); d = f.read();"
                     " o = int.from_bytes(d[60:64], 'little') + 40; f.seek(o); f.write(bytes([d[o] ^ 1]))\" \"$1\"\n")


def other_ways(p12, password, cert):
    """Releases of the same build, signed the other ways: (name, options,
    the line release.txt must hold three times, what it must say of the trust)."""
    return [("p12", ["--sign", p12, "--password-file", password], NO_TIMESTAMP,
             "the signatures verify only against the signer's own certificates, not against the system's"),
            ("command", ["--sign-command", sign_command(p12, password), "--ca", cert], NO_TIMESTAMP,
             "the signatures verify only against the maker's own certificates in %s (--ca), not against the"
             " system's" % os.path.basename(cert))]


def refusals(token_options, tsa_url, password, p12):
    """Bad signing input: (options, what the one line of the refusal names)."""
    cert = path("Release Test Signer.pem")
    plain_p12 = p12_file("plain.p12", *throw_away_certificate("Not For Code", "keyUsage=digitalSignature"), password)
    expired_p12 = p12_file("expired.p12", *throw_away_certificate("Expired", days="-1"), password)
    stamped = token_options + ["--timestamp", tsa_url]
    return [
        (token_options[:-1] + [write("wrong-pin", b"4321\n")], "the token refused the PIN"),
        (["--sign", p12, "--password-file", write("wrong-password", b"wrong\n")], "does not open " + p12),
        (["--pkcs11-module", password] + token_options[2:], "the PKCS#11 module %s does not load" % password),
        (token_options[:2] + ["--key", TOKEN_KEY.replace("signer", "other")] + token_options[4:],
         "is not on the token"),
        (token_options[:4] + ["--cert", path("none.pem")] + token_options[6:], "no such file: " + path("none.pem")),
        (["--sign", plain_p12, "--password-file", password], "Not For Code is not for code signing"),
        (["--sign", expired_p12, "--password-file", password], "Expired expired on"),
        (token_options + ["--timestamp", "http://127.0.0.1:9"],
         "the timestamp authority http://127.0.0.1:9 does not answer"),
        (token_options + ["--timestamp", tsa_url + "/junk"], "the timestamp authority %s/junk" % tsa_url),
        (stamped + ["--tsa-ca", path("Somebody Else.pem")], "the timestamp on placer.exe does not verify"),
        (["--sign-command", "false {}"], "the sign command failed on placer.exe"),
        (["--sign-command", "true {}"], "placer.exe is not signed"),
        (["--sign-command", sign_command(p12, password, "sha1", name="sha1.sh"), "--ca", cert],
         "the signature of placer.exe rests on SHA-1"),
        (["--sign-command", sign_command(p12, password, before=MOVES_ENTRY_POINT, name="moved.sh"), "--ca", cert],
         "signing changed placer.exe beyond adding a signature"),
    ] + [([option, ""], option + " needs a value, not an empty one") for option in VALUE_OPTIONS]


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    payload = write("maker.prc", own_payload(b"Maker's App"))
    # Two further databases, queued with the application under their names.
    further = [write("MakerData.pdb", build_records(b"Maker's Data", b"DATA", b"Mkr1")),
               write("maker.pqa", build_records(b"Maker's Clip", b"pqa ", b"Mkr1"))]
    license_text = b"MAKER'S AGREEMENT\n\nUse it kindly.\n"
    license_file = write("agreement.txt", license_text)
    key, cert = throw_away_certificate("Release Test Signer")
    password = write("password", b"throw-away\n")
    p12 = p12_file("signer.p12", key, cert, password)
    token_cert, pin = token_with_certificate()
    token_options = ["--pkcs11-module", SOFTHSM, "--key", TOKEN_KEY, "--cert", token_cert, "--pin-file", pin]
    tsa, tsa_url, tsa_root = start_timestamp_authority()
    work = path("work")
    content = ["--payload", payload, "--payload", further[0], "--payload", further[1], "--license", license_file]
    lines = [word for option in LINES for word in (option, LINES[option])]
    try:
        started = time.monotonic()
        made = release(*content, *lines, *token_options, "--timestamp", tsa_url, "--tsa-ca", tsa_root)
        print("release.sh took %.0f s" % (time.monotonic() - started))
        if made.returncode != 0:
            print(made.stdout[-3000:], made.stderr[-3000:])
            return 1
        check_release(made, payload, license_text, token_cert, tsa_root, further)
        check_other_ways(content, p12, password, cert)
        check_refusals(content, token_options, tsa_url, password, p12)
        check_landing(content)
    finally:
        tsa.shutdown()
        tsa.server_close()

    # The same build folder, a content file changed in place and a line
    # changed in the cache (the lines are the stand-ins since the last,
    # incremental release gave none).
    build = os.path.join(work, "one")
    changed = write("maker.prc", own_payload(b"Maker's App 2"))
    run("cmake", "-DKELVANE_WEB_LINE=Web: www.maker.example", build)
    rebuilt = run("cmake", "--build", build, "--target", "setup", "-j2")
    expect(rebuilt.returncode == 0 and carried_content(os.path.join(build, "bin/setup.exe"))[0] == read(changed),
           "a changed payload was not carried by the next build")
    expect(lines_missing(os.path.join(build, "bin/setup.exe"), STAND_INS[0], "Web: www.maker.example",
                         STAND_INS[2]) == [], "a changed web line was not carried by the next build")
    write("agreement.txt", b"Terms\0")
    refused = run("cmake", "--build", build, "--target", "setup", "-j2")
    expect(refused.returncode != 0 and license_file + ": licence refused: NUL byte" in refused.stderr,
           "a bad licence did not stop the build with its message: " + refused.stderr[-500:])

    print("%d failures" % len(failures))
    return 1 if failures else 0


def check_release(made, payload, license_text, cert, tsa_root, further):
    dist = path("dist")
    setup = os.path.join(dist, "setup.exe")
    expect(carried_content(setup) == (read(payload), license_text.replace(b"\n", b"\r\n")),
           "setup.exe does not carry the maker's payload and CR LF licence")
    expect("LF line end(s) turned into CR LF" in made.stdout, "the build did not say it converted the licence")
    expect(run("sha256sum", "-c", "SHA256SUMS", cwd=dist).returncode == 0, "SHA256SUMS does not hold")
    notes = read(os.path.join(dist, "release.txt")).decode()
    expect(notes.count("signer: Common Name: Token Signer") == 3 and notes.count("from Common Name: TSA") == 3
           and "maker.prc" in notes, "release.txt lacks the signers, timestamps or content:\n" + notes)
    expect("SHA-256 signed:   " + hashlib.sha256(read(setup)).hexdigest() in notes,
           "release.txt does not name the shipped setup.exe's SHA-256")
    expect(verified_signatures(setup, cert, tsa_root) == 3,
           "setup.exe and the programs it carries are not all signed and timestamped")
    _, stranger = throw_away_certificate("Somebody Else")
    expect(verified_signatures(setup, stranger) == 0, "a signature verifies against an unrelated certificate")
    expect(all(" " + line + "\n" in notes for line in LINES.values()), "release.txt lacks the lines")
    # As the running dialog showed them, the '&' as written, and the pictures.
    shown = ["Kelvane Setup - Ruby Version", "Kelvane for PalmPilot - Ruby Version 3.6", LINES["--rights-notice"],
             LINES["--web-line"], "The Kelvane Ruby version has not been installed."]
    pictured = ['02-license.png     "Kelvane Setup - Ruby Version"', " for user Bob Jones the Ruby version of Kelvane "]
    expect(all('"%s"' % text in notes for text in shown) and all(text in notes for text in pictured),
           "release.txt lacks the lines as shown:\n" + notes)
    pictures = sorted(os.listdir(os.path.join(dist, "preview")))
    expect(pictures == ["01-select-user.png", "02-license.png", "03-queued.png"] and
           all(read(os.path.join(dist, "preview", name))[:8] == b"\x89PNG\r\n\x1a\n" for name in pictures)
           and all(name in notes for name in pictures), "dist/preview/ lacks its pictures: %s" % pictures)
    missing = lines_missing(setup, *list(LINES.values())[:4])
    expect(missing == [], "setup.exe lacks the maker's " + ", ".join(missing))
    # setup.exe holds the other two programs as they are.
    expect(not any(text.encode(code) in read(setup) for text in STAND_INS + ("Amber", "3.5.02")
                   for code in ("cp1252", "utf-16-le")),
           "a stand-in line is left in a program")
    expect("each signature's digests read back: SHA-256\n" in notes and
           "the signatures verify only against the signer's own certificates" in notes,
           "release.txt does not say what was verified:\n" + notes)
    wrong = untrue_figures(notes, setup, [read(payload), license_text, license_text.replace(b"\n", b"\r\n"),
                                          read(os.path.join(SOURCE, "desktop/placer/content/product.ico"))] +
                           [read(database) for database in further])
    expect(wrong == [], "release.txt gives untrue figures: %s" % wrong)
    for database in further:
        expect(any(line.split()[:1] == [os.path.basename(database)] and hashlib.sha256(read(database)).hexdigest()
                   in line for line in notes.splitlines()), "release.txt does not list " + database)
    expect(runs_the_chain(setup, payload, further),
           "the signed setup.exe did not run the chain to the queued databases")


def check_other_ways(content, p12, password, cert):
    for name, options, line, trust in other_ways(p12, password, cert):
        made = release(*content, *options, "--incremental")
        notes = read(path("dist/release.txt")).decode() if made.returncode == 0 else made.stderr[-1000:]
        expect(notes.count(line) == 3 and verified_signatures(path("dist/setup.exe"), cert) == 3,
               "signed the %s way, the programs are not all signed:\n%s" % (name, notes))
        expect(trust in notes, "signed the %s way, release.txt does not say whom it trusts:\n%s" % (name, notes))
    expect(read(path("order")).decode().split() == ["placer.exe", "worker.exe", "setup.exe"],
           "the sign command did not sign inside out: " + read(path("order")).decode())


def check_refusals(content, token_options, tsa_url, password, p12):
    before = snapshot(path("dist"))
    for options, cause in refusals(token_options, tsa_url, password, p12):
        refused = release(*content, *options, "--incremental")
        said = [line for line in refused.stderr.splitlines() if line.startswith("release:")]
        print("\n".join(said))
        expect(refused.returncode != 0 and len(said) == 1 and cause in said[0],
               "not refused with one line naming \"%s\": %s" % (cause, said or refused.stderr[-500:]))
        expect(snapshot(path("dist")) == before, "dist/ changed by a release refused for \"%s\"" % cause)
    for option, value, rule in REFUSED_LINES:
        refused = run("sh", os.path.join(SOURCE, "scripts/release.sh"), option, value, "--out", path("dist"),
                      "--work", path("refused"))
        expect(refused.returncode != 0 and option + " refused: " in refused.stderr and rule in refused.stderr,
               "%s %r was not refused for %r: %s" % (option, value, rule, refused.stderr[-300:]))
        expect(os.listdir(path("refused")) == [], "%s %r: the release built before refusing it" % (option, value))
        expect(snapshot(path("dist")) == before, "%s %r: dist/ changed" % (option, value))
    for option, value in UNFIT_LINES:
        refused = release(*content, option, value, "--incremental")
        said = [line for line in refused.stderr.splitlines() if line.startswith("release:")]
        print("\n".join(said))
        expect(refused.returncode != 0 and len(said) == 1 and said[0].startswith("release: " + option + " refused: ")
               and "pixels wide, more than the" in said[0],
               "%s %r was not refused for its width: %s" % (option, value, said or refused.stderr[-500:]))
        expect(snapshot(path("dist")) == before, "%s %r: dist/ changed" % (option, value))


def check_landing(content):
    """A release lands whole over whatever stands under its names, and
    wherever landing stops, dist/ holds the earlier release or the new one."""
    dist = path("dist")
    for obstacle, make in LANDING_OBSTACLES:
        make(dist)
        made = release(*content, "--incremental")
        run("chattr", "-R", "-i", dist, *land.leftovers(dist))
        files = sorted(os.listdir(dist))
        expect(made.returncode == 0 and files == sorted(land.RELEASE_FILES + land.RELEASE_FOLDERS) and os.path.isfile(dist + "/release.txt")
               and "Signatures: none" in read(dist + "/release.txt").decode()
               and run("sha256sum", "-c", "SHA256SUMS", cwd=dist).returncode == 0,
               "over %s, the release did not land whole: %s %s" % (obstacle, files, made.stderr[-500:]))
    os.makedirs(path("stranger"))
    write("stranger/mine.txt", b"mine")
    refused = release(*content, "--incremental", "--out", path("stranger"))
    expect(refused.returncode != 0 and "holds mine.txt, which no release writes" in refused.stderr
           and os.listdir(path("stranger")) == ["mine.txt"], "a folder not a release's own was replaced")
    # Landing stopped at each step in turn, as a kill would stop it.
    earlier, stage = snapshot(dist), path("stage")
    shutil.copytree(path("work/stage"), stage)
    write("stage/release.txt", read(path("stage/release.txt")) + b"landed again\n")
    new = {name: data for name, data in snapshot(stage).items()
           if name in land.RELEASE_FILES or name.split(os.sep)[0] in land.RELEASE_FOLDERS}
    class Stopped(BaseException):
        pass
    real_fsync, stop = os.fsync, 0
    while True:
        calls = []

        def stopping(descriptor):
            calls.append(descriptor)
            if len(calls) > stop:
                raise Stopped()
            real_fsync(descriptor)
        os.fsync = stopping
        try:
            land.land(stage, dist)
            break
        except Stopped:
            expect(snapshot(dist) in (earlier, new), "landing stopped at step %d left a mix in dist/" % stop)
        finally:
            os.fsync = real_fsync
        stop += 1
    expect(stop > 3 and snapshot(dist) == new and land.leftovers(dist) == [],
           "after %d stops, the release did not land whole, or left folders beside dist/" % stop)


if __name__ == "__main__":
    sys.exit(main())
