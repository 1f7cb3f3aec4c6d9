#include "chain_windows.h"

#include <stdexcept>

const char USER_DIALOG_CAPTION[] = "Kelvane Setup";
const int USER_LIST_ID = 1000;
const char LICENSE_CAPTION_START[] = "Kelvane Setup - ";
const int LICENSE_TEXT_ID = 1106;
const char QUEUED_MESSAGE_START[] = "During next HotSync for user";
const std::vector<std::string> CHAIN_PROGRAMS = {"setup.exe", "worker.exe", "placer.exe"};

bool isUserDialog(const WindowView &view)
{
    return view.caption == USER_DIALOG_CAPTION && !view.isMessageBox() && view.control(USER_LIST_ID);
}

bool isLicenseDialog(const WindowView &view)
{
    return view.caption.rfind(LICENSE_CAPTION_START, 0) == 0 && !view.isMessageBox() && view.control(LICENSE_TEXT_ID);
}

bool isQueuedMessage(const WindowView &view)
{
    return view.isMessageBox() && view.messageText().rfind(QUEUED_MESSAGE_START, 0) == 0;
}

HWND waitForWindow(const char *caption, bool (*accept)(const WindowView &), DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        for (HWND window = NULL; (window = FindWindowExA(NULL, window, "#32770", caption)) != NULL;) {
            if (IsWindowVisible(window) && accept(viewWindow(window)))
                return window;
        }
        if (GetTickCount() - start >= timeoutMs)
            return NULL;
        Sleep(1);
    }
}

void startInFolder(const std::string &workFolder, const char *name)
{
    std::string program = workFolder + "\\" + name;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    std::string commandLine = name;
    if (!CreateProcessA(program.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, workFolder.c_str(), &startup,
                        &process))
        throw std::runtime_error("cannot start " + program + " (error " + std::to_string(GetLastError()) + ")");
    // The program ends by itself; the run is watched by its windows.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void startSetup(const std::string &workFolder)
{
    startInFolder(workFolder, "setup.exe");
}
