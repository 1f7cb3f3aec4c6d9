#include "sha256.h"

namespace {

const DWORD INITIAL_STATE[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

const DWORD ROUND_CONSTANTS[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

DWORD rotateRight(DWORD value, int bits)
{
    return (value >> bits) | (value << (32 - bits));
}

DWORD bigEndianAt(const BYTE *bytes)
{
    return (static_cast<DWORD>(bytes[0]) << 24) | (static_cast<DWORD>(bytes[1]) << 16) |
           (static_cast<DWORD>(bytes[2]) << 8) | bytes[3];
}

void putBigEndian(BYTE *bytes, DWORD value)
{
    for (int i = 3; i >= 0; --i, value >>= 8)
        bytes[i] = static_cast<BYTE>(value);
}

void compressBlock(DWORD *state, const BYTE *block)
{
    DWORD schedule[64];
    for (int i = 0; i < 64; ++i) {
        if (i < 16) {
            schedule[i] = bigEndianAt(block + 4 * i);
            continue;
        }
        DWORD s0 = rotateRight(schedule[i - 15], 7) ^ rotateRight(schedule[i - 15], 18) ^ (schedule[i - 15] >> 3);
        DWORD s1 = rotateRight(schedule[i - 2], 17) ^ rotateRight(schedule[i - 2], 19) ^ (schedule[i - 2] >> 10);
        schedule[i] = schedule[i - 16] + s0 + schedule[i - 7] + s1;
    }
    // The working variables a to h in an array, each round moving them one
    // place down: smaller code than eight named ones.
    DWORD v[8];
    for (int i = 0; i < 8; ++i)
        v[i] = state[i];
    for (int i = 0; i < 64; ++i) {
        DWORD e = v[4];
        DWORD first = v[7] + (rotateRight(e, 6) ^ rotateRight(e, 11) ^ rotateRight(e, 25)) + ((e & v[5]) ^ (~e & v[6])) +
                      ROUND_CONSTANTS[i] + schedule[i];
        DWORD a = v[0];
        DWORD second = (rotateRight(a, 2) ^ rotateRight(a, 13) ^ rotateRight(a, 22)) + ((a & v[1]) ^ (a & v[2]) ^ (v[1] & v[2]));
        for (int j = 7; j > 0; --j)
            v[j] = v[j - 1];
        v[4] += first;
        v[0] = first + second;
    }
    for (int i = 0; i < 8; ++i)
        state[i] += v[i];
}

} // namespace

void sha256Begin(Sha256 *hash)
{
    for (int i = 0; i < 8; ++i)
        hash->state[i] = INITIAL_STATE[i];
    hash->filled = 0;
    hash->lengthLow = 0;
    hash->lengthHigh = 0;
}

void sha256Add(Sha256 *hash, const BYTE *bytes, DWORD count)
{
    for (DWORD i = 0; i < count; ++i) {
        hash->block[hash->filled++] = bytes[i];
        if (hash->filled == SHA256_BLOCK_SIZE) {
            compressBlock(hash->state, hash->block);
            hash->filled = 0;
        }
    }
    DWORD before = hash->lengthLow;
    hash->lengthLow += count;
    if (hash->lengthLow < before)
        ++hash->lengthHigh;
}

void sha256End(Sha256 *hash, BYTE *digest)
{
    // The length in bits, taken before the padding is added.
    BYTE length[8];
    putBigEndian(length, (hash->lengthHigh << 3) | (hash->lengthLow >> 29));
    putBigEndian(length + 4, hash->lengthLow << 3);
    static const BYTE PADDING_START = 0x80;
    static const BYTE ZERO = 0;
    sha256Add(hash, &PADDING_START, 1);
    while (hash->filled != SHA256_BLOCK_SIZE - sizeof length)
        sha256Add(hash, &ZERO, 1);
    sha256Add(hash, length, sizeof length);
    for (int i = 0; i < 8; ++i)
        putBigEndian(digest + 4 * i, hash->state[i]);
}
