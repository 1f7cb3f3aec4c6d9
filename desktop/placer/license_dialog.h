// The licence agreement dialog (template IDD_LICENSE). It ends only with
// IDYES or IDNO; Escape and the close box leave it open.
#pragma once

#include <windows.h>

INT_PTR CALLBACK licenseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Fills the product line, the rights notice and the agreement text.
void initLicenseDialog(HWND dialog);

// Shows the carried agreement text in the control. The text passes through
// a new, uniquely named file of the installer's own, written and read back
// through one handle that nobody else can open in between, and deleted
// again; no file of the person's is ever replaced.
void loadLicenseText(HWND control);
