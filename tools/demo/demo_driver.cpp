// demo_driver.exe <work folder> [<picture folder>]
//
// Runs setup.exe from the work folder and answers its chain of dialogs as a
// person would: the second user in the user dialog, then OK; Yes to the
// licence; OK to the final message. With a picture folder, every dialog and
// message box is saved as a PNG into it (01-select-user.png, 02-license.png,
// 03-queued.png, or NN-unexpected.png for anything else) before it is
// answered; without one (a display that cannot be read back, such as Wine's
// null driver) the dialogs are only answered. Every wait is bounded. Exit
// code 0 when the chain ran to the final message and ended, 1 otherwise.
#include "chain_driver.h"
#include "chain_windows.h"
#include "list_box_view.h"
#include "window_shot.h"

#include <cstdio>
#include <exception>
#include <string>

namespace {

const DWORD DIALOG_TIMEOUT_MS = 30000;  // the first window on a fresh X display is slow
const int SECOND_USER = 1;

struct Step {
    const char *pictureName;
    bool (*matches)(const WindowView &);
    std::string (*answer)(const WindowView &);  // returns what was done
    int button;                                 // pressed to answer
};

std::string chooseSecondUser(const WindowView &dialog)
{
    HWND list = dialog.control(USER_LIST_ID)->window;
    SendMessageA(list, LB_SETCURSEL, SECOND_USER, 0);
    std::vector<std::string> names = listBoxItems(list);
    std::string chosen = SECOND_USER < static_cast<int>(names.size()) ? names[SECOND_USER] : "(no second user)";
    return "chose \"" + chosen + "\" of " + std::to_string(names.size()) + " users, pressed OK";
}

std::string agreeToLicense(const WindowView &)
{
    return "pressed Yes";
}

std::string acknowledge(const WindowView &view)
{
    std::string text = view.messageText();
    for (char &c : text) {
        if (c == '\n')
            c = ' ';
    }
    return "\"" + text + "\", pressed OK";
}

const Step STEPS[] = {
    {"select-user", isUserDialog, chooseSecondUser, IDOK},
    {"license", isLicenseDialog, agreeToLicense, IDYES},
    {"queued", isQueuedMessage, acknowledge, IDOK},
};

std::string pictureName(int number, const char *name)
{
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02d-", number);
    return prefix + std::string(name) + ".png";
}

// Takes the next dialog: checks it, answers it, keeps its picture. The
// picture is taken after the choice is made, so it shows what was chosen.
bool runStep(ChainDriver &chain, int number, const Step &step, const std::string &pictures)
{
    HWND window = chain.nextDialog(DIALOG_TIMEOUT_MS);
    if (!window) {
        std::printf("  no %s window appeared in %lu s\n", step.pictureName, DIALOG_TIMEOUT_MS / 1000);
        return false;
    }
    WindowView view = viewWindow(window);
    bool expected = step.matches(view);
    std::string picture = pictureName(number, expected ? step.pictureName : "unexpected");
    std::string done = expected ? step.answer(view) : "unexpected, text \"" + view.messageText() + "\"";
    bool saved = pictures.empty() || saveWindowPng(window, pictures + "\\" + picture);
    std::string shown = pictures.empty() ? (expected ? step.pictureName : "unexpected") : picture;
    std::printf("  %-18s \"%s\": %s%s\n", shown.c_str(), view.caption.c_str(), done.c_str(),
                saved ? "" : " (no picture: the window showed nothing)");
    pressButton(window, expected ? step.button : IDCANCEL);
    return expected && saved;
}

int runDemo(const std::string &workFolder, const std::string &pictures)
{
    if (!pictures.empty() && !CreateDirectoryA(pictures.c_str(), NULL) && GetLastError() != ERROR_ALREADY_EXISTS) {
        std::printf("cannot make %s\n", pictures.c_str());
        return 1;
    }
    ChainDriver chain;
    startSetup(workFolder);
    int number = 0;
    bool ok = true;
    for (const Step &step : STEPS) {
        if (!(ok = runStep(chain, ++number, step, pictures)))
            break;
    }
    if (!waitUntilGone(CHAIN_PROGRAMS, DIALOG_TIMEOUT_MS)) {
        std::printf("  the chain did not end in time; its programs were stopped\n");
        ok = false;
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 3) {
        std::printf("usage: demo_driver.exe <work folder holding setup.exe> [<picture folder>]\n");
        return 2;
    }
    try {
        return runDemo(argv[1], argc == 3 ? argv[2] : "");
    } catch (const std::exception &error) {
        std::printf("demo_driver: %s\n", error.what());
        return 1;
    }
}
