// What the tools know of the product's windows, to drive its chain of
// programs (setup.exe starts worker.exe, which starts placer.exe) from
// outside, as a person would.
#pragma once

#include "window_view.h"

#include <windows.h>

#include <string>
#include <vector>

extern const char USER_DIALOG_CAPTION[];
extern const int USER_LIST_ID;
extern const char LICENSE_CAPTION_START[];  // then the edition and " Version"
extern const int LICENSE_TEXT_ID;
extern const char QUEUED_MESSAGE_START[];
extern const std::vector<std::string> CHAIN_PROGRAMS;

bool isUserDialog(const WindowView &view);
// The licence dialog of any edition.
bool isLicenseDialog(const WindowView &view);
// The installer's last word: the application is queued for the next HotSync.
bool isQueuedMessage(const WindowView &view);

// Polls every millisecond (for timing) for a visible dialog or message box
// of another process with this caption (any, when NULL) whose view passes `accept`; NULL
// when none shows within timeoutMs.
HWND waitForWindow(const char *caption, bool (*accept)(const WindowView &), DWORD timeoutMs);

// Starts the program of that name (setup.exe, or another installer) from
// `workFolder`, with that folder as its current directory, as a person
// would by opening it there. Throws when it cannot.
void startInFolder(const std::string &workFolder, const char *program);
void startSetup(const std::string &workFolder);
