#include "installer_check.h"

#include "resource.h"
#include "sha256.h"

namespace {

enum { CHUNK_SIZE = 4096 };

// Static: a chunk on the stack would need a stack probe, which comes from
// the C runtime that the program is built without.
BYTE chunk[CHUNK_SIZE];

// The digest of what the file holds from where its handle stands.
int digestOfFile(HANDLE file, BYTE *digest)
{
    Sha256 hash;
    sha256Begin(&hash);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk, CHUNK_SIZE, &read, NULL))
            return 0;
        if (read == 0)
            break;
        sha256Add(&hash, chunk, read);
    }
    sha256End(&hash, digest);
    return 1;
}

// The installer's digest, fixed when the worker was built; NULL when the
// resource is missing or of another size.
const BYTE *carriedDigest()
{
    HRSRC found = FindResourceA(NULL, MAKEINTRESOURCEA(IDR_INSTALLER_DIGEST), RT_RCDATA);
    if (!found || SizeofResource(NULL, found) != SHA256_SIZE)
        return NULL;
    HGLOBAL loaded = LoadResource(NULL, found);
    return loaded ? static_cast<const BYTE *>(LockResource(loaded)) : NULL;
}

bool sameDigest(const BYTE *first, const BYTE *second)
{
    for (int i = 0; i < SHA256_SIZE; ++i) {
        if (first[i] != second[i])
            return false;
    }
    return true;
}

} // namespace

HANDLE holdCarriedInstaller(const char *fileName)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    BYTE digest[SHA256_SIZE];
    const BYTE *expected = carriedDigest();
    if (expected && digestOfFile(file, digest) && sameDigest(digest, expected))
        return file;
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}
