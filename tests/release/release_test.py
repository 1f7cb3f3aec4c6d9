#!/usr/bin/env python3
"""A release with a maker's own payload and licence, signed with a
throw-away certificate: scripts/release.sh must give a setup.exe that
carries both byte for byte (the licence with CR LF), a signature that
verifies against that certificate only, and checksums that hold. Then the
release's build folder must pick up a changed payload, and stop at a bad
licence, with no reconfigure.

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
    release = run("sh", os.path.join(SOURCE, "scripts/release.sh"), "--payload", payload, "--license", license_file,
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
    expect(run("osslsigncode", "verify", "-in", setup, "-CAfile", cert).returncode == 0,
           "the signature does not verify against the signing certificate")
    _, stranger = throw_away_certificate("Somebody Else")
    expect(run("osslsigncode", "verify", "-in", setup, "-CAfile", stranger).returncode != 0,
           "the signature verifies against an unrelated certificate")

    # The same build folder, content files changed in place.
    build = os.path.join(work, "one")
    changed = write("maker.prc", own_payload(b"Maker's App 2"))
    rebuilt = run("cmake", "--build", build, "--target", "setup", "-j2")
    expect(rebuilt.returncode == 0 and carried_content(os.path.join(build, "bin/setup.exe"))[0] == read(changed),
           "a changed payload was not carried by the next build")
    write("agreement.txt", b"Terms\0")
    refused = run("cmake", "--build", build, "--target", "setup", "-j2")
    expect(refused.returncode != 0 and license_file + ": licence refused: NUL byte" in refused.stderr,
           "a bad licence did not stop the build with its message: " + refused.stderr[-500:])

    print("%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
