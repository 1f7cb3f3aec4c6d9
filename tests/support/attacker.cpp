// Somebody else's program on the machine, with write access to the folder
// the setup runs from, trying to put itself in the place of one of the
// product's files by every means a program has, again and again:
//   attacker.exe --attack MILLISECONDS FILE
// overwrites FILE where it stands, deletes it and makes it anew, renames it
// aside and makes it anew; a file that is not there is left alone. At the
// end it writes how often each succeeded to FILE.attack.
// Started under any other command line, as the program it replaced, it
// leaves "attacker.ran" in its current directory.
#include "command_tail.h"
#include "start_log_writer.h"

#include <windows.h>

#include <string>

namespace {

std::string ownFile()
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof path);
    return path;
}

bool overwrite(const std::string &file, const std::string &own)
{
    HANDLE target = CreateFileA(file.c_str(), GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (target == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(target);
    return CopyFileA(own.c_str(), file.c_str(), FALSE) != 0;
}

bool deleteAndRecreate(const std::string &file, const std::string &own)
{
    return DeleteFileA(file.c_str()) && CopyFileA(own.c_str(), file.c_str(), TRUE);
}

bool renameAndRecreate(const std::string &file, const std::string &own)
{
    std::string aside = file + ".aside";
    DeleteFileA(aside.c_str());
    return MoveFileA(file.c_str(), aside.c_str()) && CopyFileA(own.c_str(), file.c_str(), TRUE);
}

void attack(const std::string &file, DWORD milliseconds)
{
    const std::string own = ownFile();
    int succeeded[3] = {0, 0, 0};
    DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        succeeded[0] += overwrite(file, own);
        succeeded[1] += deleteAndRecreate(file, own);
        succeeded[2] += renameAndRecreate(file, own);
        Sleep(1);
    }
    HANDLE log = openStartLog((file + ".attack").c_str());
    appendStartLogField(log, "overwrite", std::to_string(succeeded[0]).c_str());
    appendStartLogField(log, "delete", std::to_string(succeeded[1]).c_str());
    appendStartLogField(log, "rename", std::to_string(succeeded[2]).c_str());
    appendStartLogField(log, "end", "");
    CloseHandle(log);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string option = "--attack ";
    std::string tail = commandTail(GetCommandLineA());
    if (tail.compare(0, option.size(), option) == 0) {
        size_t fileStart = tail.find(' ', option.size());
        if (fileStart == std::string::npos)
            return 2;
        attack(tail.substr(fileStart + 1), static_cast<DWORD>(std::stoul(tail.substr(option.size()))));
        return 0;
    }
    HANDLE marker = openStartLog("attacker.ran");
    appendStartLogField(marker, "commandLine", GetCommandLineA());
    CloseHandle(marker);
    return 0;
}
