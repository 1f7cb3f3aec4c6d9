// A stand-in for one of the product's programs: it only records that it was
// started, with what, and where, by appending to "started.log" in its
// current directory. Tests put it where the real program would be.
#include "command_tail.h"

#include <windows.h>

namespace {

void appendField(HANDLE file, const char *name, const char *value)
{
    char header[64];
    int length = lstrlenA(value);
    int headerLength = wsprintfA(header, "%s %d:", name, length);
    DWORD written = 0;
    WriteFile(file, header, static_cast<DWORD>(headerLength), &written, NULL);
    WriteFile(file, value, static_cast<DWORD>(length), &written, NULL);
    WriteFile(file, "\n", 1, &written, NULL);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR winMainTail, int)
{
    HANDLE file = CreateFileA("started.log", FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    char module[MAX_PATH];
    GetModuleFileNameA(NULL, module, sizeof module);
    char folder[MAX_PATH];
    GetCurrentDirectoryA(sizeof folder, folder);
    appendField(file, "commandLine", GetCommandLineA());
    appendField(file, "winMainTail", winMainTail);
    appendField(file, "tail", commandTail(GetCommandLineA()));
    appendField(file, "module", module);
    appendField(file, "currentDirectory", folder);
    appendField(file, "end", "");
    CloseHandle(file);
    return 0;
}
