// SHA-256, for telling a program file that the setup built from any other.
// Plain 32-bit integer code: no system service that Windows 95 lacks, and
// nothing the 80386 cannot run.
#pragma once

#include <windows.h>

enum { SHA256_SIZE = 32, SHA256_BLOCK_SIZE = 64 };

struct Sha256 {
    DWORD state[8];
    BYTE block[SHA256_BLOCK_SIZE];
    DWORD filled;     // bytes waiting in block
    DWORD lengthLow;  // message length in bytes, 64 bits
    DWORD lengthHigh;
};

void sha256Begin(Sha256 *hash);
void sha256Add(Sha256 *hash, const BYTE *bytes, DWORD count);
void sha256End(Sha256 *hash, BYTE *digest);
