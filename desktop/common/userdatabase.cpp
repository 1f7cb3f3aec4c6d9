// Reader of the Pilot Desktop's user database "users.dat": an archive of
// CUser objects, of which only the first fields of each record are taken.
// Every field is read straight from the file; nothing is buffered.
#include "lcreg.h"
#include "maker_lines.h"

namespace {

const char USERS_FILE_NAME[] = "\\users.dat";
const char EXPECTED_CLASS_NAME[] = "CUser";

const char USERS_FILE_NOT_OPENED[] =
    "Error - Could not open users.dat file. Setup is now terminating.\n\n"
    "Please send email to " KELVANE_SUPPORT_EMAIL " to report this problem.";
const char PILOT_PATH_NOT_FOUND[] =
    "Error - Could not find Pilot path. Pilot desktop software does not\n"
    "appear to be installed. Please install Pilot desktop software and\n"
    "run Kelvane setup again. Setup is now terminating.\n\n"
    "If you have questions please send email to " KELVANE_SUPPORT_EMAIL ".";

enum {
    CLASS_NAME_SIZE = 1024,
    SKIP_BUFFER_SIZE = 1024,
    HEADER_SKIP = 4,
    RECORD_SKIP = 2,
    END_MARK_FIRST = 0x01,
    END_MARK_SECOND = 0x80,
};

// A value that lies past the end of the file reads as 0.
unsigned short readWord(HANDLE file)
{
    BYTE bytes[2] = {0, 0};
    DWORD read = 0;
    ReadFile(file, bytes, sizeof bytes, &read, NULL);
    return static_cast<unsigned short>(bytes[0] | (bytes[1] << 8));
}

BYTE readByte(HANDLE file)
{
    BYTE value = 0;
    DWORD read = 0;
    ReadFile(file, &value, 1, &read, NULL);
    return value;
}

BOOL skipBytes(HANDLE file, int count)
{
    static BYTE scratch[SKIP_BUFFER_SIZE];
    if (count <= 0)
        return TRUE;
    if (count > SKIP_BUFFER_SIZE)
        count = SKIP_BUFFER_SIZE;
    DWORD read = 0;
    return ReadFile(file, scratch, static_cast<DWORD>(count), &read, NULL);
}

// Reads a string of `length` bytes. What does not fit the buffer is skipped,
// so the stream always ends up after the whole string (or at the end of the
// file). A negative length, which only a damaged class name can carry,
// stands for more bytes than any file holds: the stream goes to its end.
void readCountedString(HANDLE file, short length, char *buffer, int bufferSize)
{
    buffer[0] = '\0';
    if (length < 0) {
        SetFilePointer(file, 0, NULL, FILE_END);
        return;
    }
    int kept = length < bufferSize ? length : bufferSize - 1;
    DWORD read = 0;
    if (kept > 0 && !ReadFile(file, buffer, static_cast<DWORD>(kept), &read, NULL))
        read = 0;
    buffer[read] = '\0';
    for (int rest = length - kept; rest > 0; rest -= SKIP_BUFFER_SIZE)
        skipBytes(file, rest);
}

// Skips the rest of a record up to and including the end mark 01 80, which
// is the class tag that introduces the next object of the archive.
void readUntilEndOfRecord(HANDLE file)
{
    BYTE previous = 0;
    for (int scanned = 1; scanned <= RECORD_SCAN_LIMIT; ++scanned) {
        BYTE current = 0;
        DWORD read = 0;
        if (!ReadFile(file, &current, 1, &read, NULL) || read == 0)
            return;
        bool endMark = scanned > 1 && previous == END_MARK_FIRST && current == END_MARK_SECOND;
        if (scanned == RECORD_SCAN_LIMIT)
            break;
        if (endMark)
            return;
        previous = current;
    }
    MessageBoxA(NULL, "readUntilEndOfRecord() - Error", "Kelvane", MB_OK);
}

void readUserRecord(HANDLE file, UserRecord *record)
{
    record->slot = static_cast<short>(readWord(file));
    skipBytes(file, RECORD_SKIP);
    readCountedString(file, readByte(file), record->name, sizeof record->name);
    readCountedString(file, readByte(file), record->directory, sizeof record->directory);
    record->flags = readByte(file);
    readUntilEndOfRecord(file);
}

void reportUnopenedFile(int desktopPathFound)
{
    MessageBoxA(NULL, desktopPathFound ? USERS_FILE_NOT_OPENED : PILOT_PATH_NOT_FOUND,
                "Kelvane Setup", MB_OK | MB_ICONWARNING | MB_TOPMOST);
}

// Opens users.dat below the Palm Desktop directory, or below "\pilot" when
// none is registered. A directory too long for the path is never cut into
// another path: it counts as a file that cannot be opened.
HANDLE openUsersFile(int *desktopPathFound)
{
    char directory[PALM_PATH_SIZE];
    *desktopPathFound = getPalmDesktopPath(directory);
    if (!*desktopPathFound)
        lstrcpyA(directory, FALLBACK_DESKTOP_PATH);
    if (lstrlenA(directory) + lstrlenA(USERS_FILE_NAME) >= PALM_PATH_SIZE)
        return INVALID_HANDLE_VALUE;
    char path[PALM_PATH_SIZE];
    lstrcpyA(path, directory);
    lstrcatA(path, USERS_FILE_NAME);
    return CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
}

} // namespace

const char FALLBACK_DESKTOP_PATH[] = "\\pilot";

int readUserDatabase(UserRecord *records, int capacity, int *count)
{
    int desktopPathFound = 0;
    HANDLE file = openUsersFile(&desktopPathFound);
    if (file == INVALID_HANDLE_VALUE) {
        reportUnopenedFile(desktopPathFound);
        return 0;
    }

    int userCount = static_cast<short>(readWord(file));
    skipBytes(file, HEADER_SKIP);
    static char className[CLASS_NAME_SIZE];
    readCountedString(file, static_cast<short>(readWord(file)), className, sizeof className);
    if (lstrcmpA(className, EXPECTED_CLASS_NAME) != 0)
        MessageBoxA(NULL, "Expecting CUser", "Error", MB_OK);

    // A file that counts more users than the table holds fills the table;
    // the count reported is what was filled, so nobody looks past it.
    if (userCount > capacity)
        userCount = capacity;
    for (int i = 0; i < userCount; ++i)
        readUserRecord(file, &records[i]);

    *count = userCount;
    CloseHandle(file);
    return 1;
}
