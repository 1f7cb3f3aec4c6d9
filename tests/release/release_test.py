#!/usr/bin/env python3
"""A release with a maker's own payload, licence and lines, signed with a
throw-away certificate: scripts/release.sh must give a setup.exe that
carries all of them byte for byte (the licence with CR LF, the lines in
Windows-1252) and none of the stand-in lines, a signature that verifies
against that certificate only, and checksums that hold. A bad line stops
a release before it changes dist/. Then the release's build folder must
pick up a changed payload and line, and stop at a bad licence.

release_test.py SOURCE_DIR WORK_DIR
"""
import os
import shutil
import subprocess
import sys
import time

SOURCE, WORK = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.join(SOURCE, "tests/pe32"))
from pe_image import Image  # noqa: E402

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
    return subprocess.run(list(command), capture_output=True, text=True, **options)


def carried_content(setup_exe):
    """(payload, licence) inside the placer.exe that setup.exe carries."""
    placer = Image(Image(read(setup_exe)).resources()["PLACER:#1000:1033"]).resources()
    return placer.get("PRC:#10000:1033"), placer.get("LIC:#10001:1033")


# The maker's lines: quotes, a backslash and characters above ASCII, as given.
LINES = {"--support-email": "h\"elp\\@m\u00e4ker.example", "--web-line": "Web: \"www.m\u00e4ker\\\" \u20ac",
         "--rights-notice": "Copyright \u00a9 2024 \"M\u00e4ker\" \\ Co."}
STAND_INS = ("support@kelvane.example", "Web: www.kelvane.example", "Copyright (c) 1999 Kelvane Software")
# One row per rule: each stops the release before it builds or writes anything.
REFUSED_LINES = [("--support-email", "help@maker@example", "one '@'"),
                 ("--web-line", "Web: www.maker.example\nsecond", "line break U+000A"),
                 ("--rights-notice", "x" * 46, "46 characters, more than the 45"),
                 ("--rights-notice", "Copyright \u2126 Maker", "no Windows-1252 byte")]


def lines_missing(setup_exe, email, web_line, notice):
    """The lines that the programs inside setup.exe do not carry where the messages and the dialog show them."""
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
    return missing


def own_payload(name):
    # The stand-in database under another name and creator: still well formed.
    data = bytearray(read(os.path.join(SOURCE, "desktop/placer/content/kelvane.prc")))
    data[0:32] = name.ljust(32, b"\0")
    data[64:68] = b"Mkr1"
    return bytes(data)


def throw_away_certificate(name):
    key, cert = path(name + ".key"), path(name + ".pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "2", "-subj", "/CN=" + name, "-addext", "extendedKeyUsage=codeSigning"],
                   check=True, capture_output=True)
    return key, cert


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    payload = write("maker.prc", own_payload(b"Maker's App"))
    license_text = b"MAKER'S AGREEMENT\n\nUse it kindly.\n"
    license_file = write("agreement.txt", license_text)
    key, cert = throw_away_certificate("Release Test Signer")
    password = write("password", b"throw-away\n")
    p12 = path("signer.p12")
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", p12,
                    "-passout", "file:" + password], check=True)
    dist, work = path("dist"), path("work")

    started = time.monotonic()
    release_sh = os.path.join(SOURCE, "scripts/release.sh")
    lines = [word for option in LINES for word in (option, LINES[option])]
    release = run("sh", release_sh, "--payload", payload, "--license", license_file, *lines,
                  "--sign", p12, "--password-file", password, "--out", dist, "--work", work)
    print("release.sh took %.0f s" % (time.monotonic() - started))
    if release.returncode != 0:
        print(release.stdout[-3000:], release.stderr[-3000:])
        return 1

    setup = os.path.join(dist, "setup.exe")
    expect(carried_content(setup) == (read(payload), license_text.replace(b"\n", b"\r\n")),
           "setup.exe does not carry the maker's payload and CR LF licence")
    expect("LF line end(s) turned into CR LF" in release.stdout, "the build did not say it converted the licence")
    expect(run("sha256sum", "-c", "SHA256SUMS", cwd=dist).returncode == 0, "SHA256SUMS does not hold")
    notes = read(os.path.join(dist, "release.txt")).decode()
    expect("Authenticode SHA-256" in notes and "maker.prc" in notes, "release.txt lacks the signature or content")
    expect(all(" " + line + "\n" in notes for line in LINES.values()), "release.txt lacks the lines")
    missing = lines_missing(setup, *LINES.values())
    expect(missing == [], "setup.exe lacks the maker's " + ", ".join(missing))
    # setup.exe holds the other two programs as they are.
    expect(not any(text.encode(code) in read(setup) for text in STAND_INS for code in ("cp1252", "utf-16-le")),
           "a stand-in line is left in a program")
    released = {name: read(os.path.join(dist, name)) for name in os.listdir(dist)}
    for option, value, rule in REFUSED_LINES:
        refused = run("sh", release_sh, option, value, "--out", dist, "--work", path("refused"))
        expect(refused.returncode != 0 and option + " refused: " in refused.stderr and rule in refused.stderr,
               "%s %r was not refused for %r: %s" % (option, value, rule, refused.stderr[-300:]))
        expect(os.listdir(path("refused")) == [], "%s %r: the release built before refusing it" % (option, value))
        expect({name: read(os.path.join(dist, name)) for name in os.listdir(dist)} == released,
               "%s %r: dist/ changed" % (option, value))
    expect(run("osslsigncode", "verify", "-in", setup, "-CAfile", cert).returncode == 0,
           "the signature does not verify against the signing certificate")
    _, stranger = throw_away_certificate("Somebody Else")
    expect(run("osslsigncode", "verify", "-in", setup, "-CAfile", stranger).returncode != 0,
           "the signature verifies against an unrelated certificate")

    # The same build folder, content files changed in place.
    build = os.path.join(work, "one")
    changed = write("maker.prc", own_payload(b"Maker's App 2"))
    run("cmake", "-DKELVANE_WEB_LINE=Web: www.maker.example", build)
    rebuilt = run("cmake", "--build", build, "--target", "setup", "-j2")
    expect(rebuilt.returncode == 0 and carried_content(os.path.join(build, "bin/setup.exe"))[0] == read(changed),
           "a changed payload was not carried by the next build")
    expect(lines_missing(os.path.join(build, "bin/setup.exe"), LINES["--support-email"], "Web: www.maker.example",
                         LINES["--rights-notice"]) == [], "a changed web line was not carried by the next build")
    write("agreement.txt", b"Terms\0")
    refused = run("cmake", "--build", build, "--target", "setup", "-j2")
    expect(refused.returncode != 0 and license_file + ": licence refused: NUL byte" in refused.stderr,
           "a bad licence did not stop the build with its message: " + refused.stderr[-500:])

    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
