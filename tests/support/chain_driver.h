// Drives the dialogs of a chain of programs that start one another (the
// launcher starts the worker, the worker the installer), none of which the
// test started itself: every visible dialog of any other process counts.
// The test prefix runs nothing else, so nothing else shows a dialog.
#pragma once

#include "child_process.h"
#include "message_box_capture.h"

#include <set>
#include <string>
#include <vector>

class ChainDriver {
public:
    // The next visible dialog or message box, of any process but this one,
    // not returned before; NULL when none shows in time.
    HWND nextDialog(DWORD timeoutMs = CHILD_TIMEOUT_MS);
    bool nextMessageBox(CapturedBox *box, DWORD timeoutMs = CHILD_TIMEOUT_MS);
    // No new dialog for quietMs: the chain is not waiting for anyone.
    bool noDialogFor(DWORD quietMs);

private:
    std::set<HWND> seen_;
};

// Identifiers of running processes whose program file has this name.
std::vector<DWORD> processesNamed(const std::string &exeName);
// Waits until no process of these names runs; kills them and returns
// false on timeout.
bool waitUntilGone(const std::vector<std::string> &exeNames, DWORD timeoutMs = CHILD_TIMEOUT_MS);
