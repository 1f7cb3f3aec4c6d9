#include "file_compare.h"

namespace {

// A read costs a call into the system whatever its size: a program file
// of 16 MB takes 256 reads in chunks of 64 KB, not 4,096 in chunks of 4.
enum { CHUNK_SIZE = 65536 };

// Static: two chunks on the stack would need a stack probe, which comes
// from the C runtime that the program is built without. (They cost no
// room in the program file.)
BYTE firstChunk[CHUNK_SIZE];
BYTE secondChunk[CHUNK_SIZE];

// Four bytes at any address: the 80386 reads them unaligned, and the
// compiler may not assume they do not alias the bytes.
typedef DWORD __attribute__((may_alias, aligned(1))) AnyDword;

bool sameBytes(const BYTE *first, const BYTE *second, DWORD count)
{
    DWORD i = 0;
    for (; i + sizeof(DWORD) <= count; i += sizeof(DWORD)) {
        if (*reinterpret_cast<const AnyDword *>(first + i) != *reinterpret_cast<const AnyDword *>(second + i))
            return false;
    }
    for (; i < count; ++i) {
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
