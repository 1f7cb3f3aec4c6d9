#include "chain_driver.h"

#include <tlhelp32.h>

namespace {

const DWORD POLL_MS = 20;

struct DialogSearch {
    std::set<HWND> *seen;
    HWND found;
};

BOOL CALLBACK findNewDialog(HWND window, LPARAM param)
{
    auto *search = reinterpret_cast<DialogSearch *>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char name[32];
    GetClassNameA(window, name, sizeof name);
    if (owner == GetCurrentProcessId() || lstrcmpA(name, "#32770") != 0 || !IsWindowVisible(window))
        return TRUE;
    if (search->seen->count(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

HWND ChainDriver::nextDialog(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        DialogSearch search{&seen_, NULL};
        EnumWindows(findNewDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            seen_.insert(search.found);
            pumpFor(POLL_MS);  // let it finish initialising
            return search.found;
        }
        if (GetTickCount() - start >= timeoutMs)
            return NULL;
        pumpFor(POLL_MS);
    }
}

bool ChainDriver::nextMessageBox(CapturedBox *box, DWORD timeoutMs)
{
    HWND window = nextDialog(timeoutMs);
    return window && answerMessageBox(window, box);
}

bool ChainDriver::noDialogFor(DWORD quietMs)
{
    HWND window = nextDialog(quietMs);
    if (window)
        seen_.erase(window);
    return window == NULL;
}

std::vector<DWORD> processesNamed(const std::string &exeName)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return found;
}

bool waitUntilGone(const std::vector<std::string> &exeNames, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<DWORD> running;
        for (const std::string &name : exeNames) {
            std::vector<DWORD> ids = processesNamed(name);
            running.insert(running.end(), ids.begin(), ids.end());
        }
        if (running.empty())
            return true;
        if (GetTickCount() - start >= timeoutMs) {
            for (DWORD id : running) {
                HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
                if (process) {
                    TerminateProcess(process, 0xDEAD);
                    WaitForSingleObject(process, 5000);
                    CloseHandle(process);
                }
            }
            return false;
        }
        pumpFor(POLL_MS);
    }
}
