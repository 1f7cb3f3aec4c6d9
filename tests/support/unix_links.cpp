#include "unix_links.h"

#include "child_process.h"

#include <stdexcept>

namespace {

typedef char *(CDECL *UnixFileNameFunction)(LPCWSTR dosName);

// Wine's own service: the Unix path of a Windows path.
std::string unixPathOf(const std::string &windowsPath)
{
    auto toUnix = reinterpret_cast<UnixFileNameFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        throw std::runtime_error("not running under Wine");
    // Paths longer than MAX_PATH too: a link may point deep down.
    std::wstring wide(32768, L'\0');
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, &wide[0], static_cast<int>(wide.size())))
        throw std::runtime_error("path too long: " + windowsPath);
    char *unixPath = toUnix(wide.c_str());
    if (!unixPath)
        throw std::runtime_error("no Unix path for " + windowsPath);
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// Runs a Linux program (Wine starts those too, but gives no handle that
// tells when it ends) and waits until `done` holds.
template <typename Done> void runUnixCommand(std::string commandLine, Done done)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        throw std::runtime_error("cannot run " + commandLine);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > CHILD_TIMEOUT_MS)
            throw std::runtime_error("no effect of " + commandLine);
        Sleep(10);
    }
}

bool nameExists(const std::string &path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    return true;
}

std::string quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

} // namespace

void plantLink(LinkKind kind, const std::string &target, const std::string &link)
{
    runUnixCommand(std::string("/bin/ln ") + (kind == LinkKind::SYMBOLIC ? "-s " : "") +
                       quoted(unixPathOf(target)) + " " + quoted(unixPathOf(link)),
                   [&] { return nameExists(link); });
}

void removeNameOnly(const std::string &path)
{
    runUnixCommand("/bin/rm -f " + quoted(unixPathOf(path)), [&] { return !nameExists(path); });
}

DWORD linkCount(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                              OPEN_EXISTING, 0, NULL);
    BY_HANDLE_FILE_INFORMATION information = {};
    bool known = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &information);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return known ? information.nNumberOfLinks : 0;
}
