#include "user_dialog.h"

#include "resource.h"
#include "user_choice.h"

namespace {

const char ACTIVE_USER_FORMAT[] = "Current Active User: %s";

enum { LABEL_TEXT_SIZE = 512 };

char currentUser[USER_NAME_SIZE];
char labelText[LABEL_TEXT_SIZE];

void setActiveUserLabel(HWND label)
{
    if (getCurrentActiveUser(currentUser)) {
        wsprintfA(labelText, ACTIVE_USER_FORMAT, currentUser);
    } else {
        currentUser[0] = '\0';
        labelText[0] = '\0';
    }
    // Set in both cases, so the template's placeholder text never shows.
    SetWindowTextA(label, labelText);
}

int listedUserCount()
{
    return workerUsers.count < MAX_PALM_USERS ? workerUsers.count : MAX_PALM_USERS;
}

void endWithSelection(HWND dialog)
{
    LRESULT selection = SendDlgItemMessageA(dialog, IDC_USER_LIST, LB_GETCURSEL, 0, 0);
    selectedUserIndex = selection == LB_ERR ? 0 : static_cast<int>(selection);
    EndDialog(dialog, 1);
}

INT_PTR onCommand(HWND dialog, WPARAM wParam)
{
    // Only the command id counts; list box notifications carry the list's id.
    switch (LOWORD(wParam)) {
    case IDOK:
        endWithSelection(dialog);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

int runUserDialog(HWND owner)
{
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_SELECT_USER), owner,
                                     userDialogProc, 0);
    return result == 1 ? 1 : 0;
}

INT_PTR CALLBACK userDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        fillUserList(dialog);
        centerOnDesktop(dialog);
        return TRUE;  // the focus goes to the first tab stop, OK
    case WM_COMMAND:
        return onCommand(dialog, wParam);
    default:
        return FALSE;
    }
}

void fillUserList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_USER_LIST);
    setActiveUserLabel(GetDlgItem(dialog, IDC_ACTIVE_USER));

    int preselection = 0;
    for (int i = 0; i < listedUserCount(); ++i) {
        const char *name = workerUsers.records[i].name;
        if (lstrcmpA(name, currentUser) == 0)
            preselection = i;  // a later match wins
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(preselection), 0);
}

void centerOnDesktop(HWND window)
{
    RECT desktop;
    RECT own;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &own);
    // Each extent is halved on its own, truncating toward zero.
    int x = (desktop.right - desktop.left) / 2 - (own.right - own.left) / 2 + desktop.left;
    int y = (desktop.bottom - desktop.top) / 2 - (own.bottom - own.top) / 2 + desktop.top;
    SetWindowPos(window, NULL, x, y, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
    BringWindowToTop(window);
}
