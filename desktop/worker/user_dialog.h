// The user-choice dialog IDD_SELECT_USER.
#pragma once

#include <windows.h>

// Shows the dialog modally; 1 when it ended with OK (selectedUserIndex
// then holds the choice), 0 otherwise, a dialog that failed to open too.
int runUserDialog(HWND owner);

INT_PTR CALLBACK userDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the current-active-user label and lists the users in table order,
// preselecting the last exact match of the current active user, else the
// first entry.
void fillUserList(HWND dialog);

// Moves the window to the centre of the desktop window.
void centerOnDesktop(HWND window);
