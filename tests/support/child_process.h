// Runs one of the product's programs as a child process in a chosen
// current directory and lets a test drive its dialogs. Every wait has a
// timeout; a child still running when the object goes is killed.
#pragma once

#include "message_box_capture.h"
#include "window_view.h"

#include <windows.h>

#include <set>
#include <string>

const DWORD CHILD_TIMEOUT_MS = 15000;

class ChildProcess {
public:
    // Starts `program` (a full path) with the given command line, in the
    // current directory `folder`; with inheritHandles, the child inherits
    // this process's inheritable handles.
    ChildProcess(const std::string &program, const std::string &commandLine, const std::string &folder,
                 bool inheritHandles = false);
    // The same with UTF-16 paths, which may hold what the ANSI code page
    // cannot.
    ChildProcess(const std::wstring &program, const std::wstring &commandLine, const std::wstring &folder);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    DWORD id() const { return info_.dwProcessId; }

    // The next visible dialog or message box of the child that was not
    // returned before; NULL when none appears in time or the child ended.
    HWND nextDialog(DWORD timeoutMs = CHILD_TIMEOUT_MS);
    // Waits for a message box, records it, presses OK. Fails the wait with
    // an empty capture when a dialog that is no message box shows instead.
    bool nextMessageBox(CapturedBox *box, DWORD timeoutMs = CHILD_TIMEOUT_MS);

    // Waits for the child to end; false (and the child killed) on timeout.
    bool waitForExit(DWORD *exitCode, DWORD timeoutMs = CHILD_TIMEOUT_MS);
    bool running() const;

    // Every top-level window of the child, visible or not, with its class.
    std::set<HWND> topLevelWindows() const;

private:
    PROCESS_INFORMATION info_;
    std::set<HWND> seen_;
};

// Reads a message box window into `box` and presses its OK button; false
// (with the caption in `box`) when the window is another kind of dialog.
bool answerMessageBox(HWND window, CapturedBox *box);

// Pumps this thread's messages for a short while; used between polls.
void pumpFor(DWORD milliseconds);
