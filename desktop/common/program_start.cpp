#include "program_start.h"

int startProgramFromCurrentDirectory(const char *programFile, char *commandLine)
{
    char path[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    if (length == 0 || length >= sizeof path) {
        if (length != 0)
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    // Only a drive root ends in a backslash. The last byte alone does not
    // tell: in a double-byte code page it may be the trail byte 0x5C of a
    // character such as 0x955C, so the last character decides.
    bool needsSeparator = *CharPrevA(path, path + length) != '\\';
    if (static_cast<int>(length) + needsSeparator + lstrlenA(programFile) >= static_cast<int>(sizeof path)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    if (needsSeparator)
        lstrcatA(path, "\\");
    lstrcatA(path, programFile);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;  // 68 in the 32-bit product
    PROCESS_INFORMATION process;
    if (!CreateProcessA(path, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}
