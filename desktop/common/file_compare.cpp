#include "file_compare.h"

namespace {

enum { CHUNK_SIZE = 4096 };

// Static: two chunks on the stack would need a stack probe, which comes
// from the C runtime that the program is built without.
BYTE firstChunk[CHUNK_SIZE];
BYTE secondChunk[CHUNK_SIZE];

bool sameBytes(const BYTE *first, const BYTE *second, DWORD count)
{
    for (DWORD i = 0; i < count; ++i) {
        if (first[i] != second[i])
            return false;
    }
    return true;
}

// Fills the chunk unless the file ends first; -1 when a read fails.
int readChunk(HANDLE file, BYTE *chunk)
{
    DWORD filled = 0;
    while (filled < CHUNK_SIZE) {
        DWORD read = 0;
        if (!ReadFile(file, chunk + filled, CHUNK_SIZE - filled, &read, NULL))
            return -1;
        if (read == 0)
            break;
        filled += read;
    }
    return static_cast<int>(filled);
}

} // namespace

int fileHoldsBytes(HANDLE file, const BYTE *bytes, DWORD size)
{
    DWORD compared = 0;
    for (;;) {
        int read = readChunk(file, firstChunk);
        if (read < 0 || static_cast<DWORD>(read) > size - compared)
            return 0;
        if (read == 0)
            return compared == size;
        if (!sameBytes(firstChunk, bytes + compared, static_cast<DWORD>(read)))
            return 0;
        compared += static_cast<DWORD>(read);
    }
}

int filesHoldSameBytes(HANDLE first, HANDLE second)
{
    for (;;) {
        int read = readChunk(first, firstChunk);
        if (read < 0 || readChunk(second, secondChunk) != read)
            return 0;
        if (read == 0)
            return 1;
        if (!sameBytes(firstChunk, secondChunk, static_cast<DWORD>(read)))
            return 0;
    }
}
