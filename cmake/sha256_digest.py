#!/usr/bin/env python3
"""Writes the SHA-256 digest of a file, 32 raw bytes, for a program to carry.

    sha256_digest.py FILE DIGEST_FILE
"""
import hashlib
import sys

with open(sys.argv[1], "rb") as source:
    digest = hashlib.sha256(source.read()).digest()
with open(sys.argv[2], "wb") as target:
    target.write(digest)
