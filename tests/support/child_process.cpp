#include "child_process.h"

#include <stdexcept>
#include <vector>

namespace {

const DWORD POLL_MS = 20;

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND window, LPARAM param)
{
    auto *search = reinterpret_cast<WindowSearch *>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId)
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> windowsOf(DWORD processId)
{
    WindowSearch search{processId, {}};
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool isVisibleDialog(HWND window)
{
    char name[32];
    GetClassNameA(window, name, sizeof name);
    return lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window);
}

} // namespace

bool answerMessageBox(HWND window, CapturedBox *box)
{
    WindowView view = viewWindow(window);
    if (!view.isMessageBox()) {
        *box = CapturedBox{"(a dialog, not a message box)", view.caption, 0, false, false, {}};
        return false;
    }
    *box = captureOf(view);
    pressButton(window, IDOK);
    return true;
}

void pumpFor(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < milliseconds);
}

ChildProcess::ChildProcess(const std::string &program, const std::string &commandLine, const std::string &folder,
                           bool inheritHandles)
{
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(program.c_str(), line.data(), NULL, NULL, inheritHandles, 0, NULL, folder.c_str(), &startup,
                        &info_))
        throw std::runtime_error("cannot start " + program);
}

ChildProcess::ChildProcess(const std::wstring &program, const std::wstring &commandLine, const std::wstring &folder)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring line = commandLine;
    if (!CreateProcessW(program.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup, &info_))
        throw std::runtime_error("cannot start a program by its UTF-16 path");
}

ChildProcess::~ChildProcess()
{
    if (running()) {
        TerminateProcess(info_.hProcess, 0xDEAD);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
}

bool ChildProcess::running() const
{
    return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::set<HWND> ChildProcess::topLevelWindows() const
{
    std::vector<HWND> windows = windowsOf(info_.dwProcessId);
    return std::set<HWND>(windows.begin(), windows.end());
}

HWND ChildProcess::nextDialog(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND window : windowsOf(info_.dwProcessId)) {
            if (isVisibleDialog(window) && seen_.insert(window).second) {
                // Let the dialog finish its WM_INITDIALOG work and settle.
                pumpFor(POLL_MS);
                return window;
            }
        }
        if (!running() || GetTickCount() - start >= timeoutMs)
            return NULL;
        pumpFor(POLL_MS);
    }
}

bool ChildProcess::nextMessageBox(CapturedBox *box, DWORD timeoutMs)
{
    HWND window = nextDialog(timeoutMs);
    return window && answerMessageBox(window, box);
}

bool ChildProcess::waitForExit(DWORD *exitCode, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (running()) {
        if (GetTickCount() - start >= timeoutMs) {
            TerminateProcess(info_.hProcess, 0xDEAD);
            WaitForSingleObject(info_.hProcess, 5000);
            return false;
        }
        pumpFor(POLL_MS);
    }
    GetExitCodeProcess(info_.hProcess, exitCode);
    return true;
}
