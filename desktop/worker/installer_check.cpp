#include "installer_check.h"

#include "installer_hold.h"
#include "resource.h"
#include "sha256.h"

// Why a hold handed over by the launcher is as good a check as the digest.
//
// The launcher compared the file under "placer.exe" with the installer it
// carries, byte for byte, through a handle that shares reading only and
// that stays open from before that comparison until the worker's process
// exists, where an inherited duplicate of it carries on. So from the
// comparison on, nobody could write, rename or delete that file; and the
// launcher carries exactly the installer whose digest this worker carries
// (both come from the same build, or the same signed release). The file
// under "placer.exe" is therefore the carried installer when it is the
// file that the handed-over handle holds: same volume, same file index,
// same size and times, while nobody can open it for writing.
//
// A hand-over can only come from the process that starts the worker: the
// environment and the inherited handles are its to give. That process
// already holds the worker's process with every access right and could
// change the worker's code before it runs, or start any program itself;
// a false hand-over gives it nothing it did not have. Somebody else's
// program that swaps a file into the folder starts no worker of ours and
// gives it nothing, so what it swapped in is still caught, by the
// identity above or by the digest. What is checked of a hand-over is
// there for a value that is not one: a variable that outlived its run,
// a handle value naming a console, a pipe, another file, or a file that
// others may still write. Each of those makes the worker compute the
// digest as it does when started by hand.

namespace {

enum {
    CHUNK_SIZE = 4096,
    // Decimal digits of the largest handle value.
    HOLD_VALUE_SIZE = 16,
};

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

// The handle whose value the launcher left in the environment, or NULL.
// The variable goes at once, so that nothing the worker starts sees it.
HANDLE handedOverValue()
{
    char value[HOLD_VALUE_SIZE];
    DWORD length = GetEnvironmentVariableA(INSTALLER_HOLD_VARIABLE, value, sizeof value);
    SetEnvironmentVariableA(INSTALLER_HOLD_VARIABLE, NULL);
    if (length == 0 || length >= sizeof value)
        return NULL;
    DWORD handle = 0;
    for (const char *at = value; *at; ++at) {
        DWORD digit = static_cast<DWORD>(*at - '0');
        if (digit > 9 || handle > (0xFFFFFFFFu - digit) / 10)
            return NULL;
        handle = handle * 10 + digit;
    }
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(handle));
}

// A file on a disk, with what tells it from every other file.
bool fileIdentity(HANDLE file, BY_HANDLE_FILE_INFORMATION *identity)
{
    return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, identity);
}

bool sameTime(const FILETIME &first, const FILETIME &second)
{
    return first.dwLowDateTime == second.dwLowDateTime && first.dwHighDateTime == second.dwHighDateTime;
}

// A file system that numbers no files (index 0) cannot tell two apart.
bool sameFile(const BY_HANDLE_FILE_INFORMATION &first, const BY_HANDLE_FILE_INFORMATION &second)
{
    return (first.nFileIndexLow | first.nFileIndexHigh) != 0 &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexLow == second.nFileIndexLow && first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileSizeLow == second.nFileSizeLow && first.nFileSizeHigh == second.nFileSizeHigh &&
           sameTime(first.ftCreationTime, second.ftCreationTime) &&
           sameTime(first.ftLastWriteTime, second.ftLastWriteTime);
}

// Nobody may open the file for writing now: somebody holds it without
// sharing writes. (The launcher's hold shares reading only; a handle that
// shares writing, such as a redirected input, is no hold.)
bool nobodyCanWrite(const char *fileName)
{
    HANDLE writer = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    if (writer == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION;
    CloseHandle(writer);
    return false;
}

// The launcher's hold, when the handed-over value is one: its identity
// goes into `identity`. NULL otherwise; the handle named, if any, is not
// ours and is left alone.
HANDLE launcherHold(const char *fileName, BY_HANDLE_FILE_INFORMATION *identity)
{
    HANDLE handedOver = handedOverValue();
    if (handedOver && fileIdentity(handedOver, identity) && nobodyCanWrite(fileName))
        return handedOver;
    return NULL;
}

// The file is the one the launcher's hold is on.
bool heldByLauncher(HANDLE file, HANDLE launcher, const BY_HANDLE_FILE_INFORMATION &launcherIdentity)
{
    BY_HANDLE_FILE_INFORMATION identity;
    return launcher && fileIdentity(file, &identity) && sameFile(identity, launcherIdentity);
}

bool holdsCarriedDigest(HANDLE file)
{
    BYTE digest[SHA256_SIZE];
    const BYTE *expected = carriedDigest();
    return expected && digestOfFile(file, digest) && sameDigest(digest, expected);
}

} // namespace

HANDLE holdCarriedInstaller(const char *fileName)
{
    // Read before the worker opens any file itself, so that the value
    // cannot name a handle of the worker's own.
    BY_HANDLE_FILE_INFORMATION launcherIdentity;
    HANDLE launcher = launcherHold(fileName, &launcherIdentity);
    HANDLE file = CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    if (heldByLauncher(file, launcher, launcherIdentity)) {
        // Our own hold keeps the file as it is from here on.
        CloseHandle(launcher);
        return file;
    }
    if (holdsCarriedDigest(file))
        return file;
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}
