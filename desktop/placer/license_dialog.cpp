#include "license_dialog.h"

#include "app_instance.h"
#include "resource.h"
#include "resource_extract.h"

namespace {

const char PRODUCT_LINE_PREFIX[] = "Kelvane for PalmPilot - Amber Version ";
const char PRODUCT_VERSION[] = "3.5";
const char RIGHTS_NOTICE[] = "Copyright (c) 1999 Kelvane Software";
const char TEMP_FILE_PREFIX[] = "lic";
const char CURRENT_FOLDER[] = ".";

enum {
    PRODUCT_LINE_SIZE = 512,
    LICENSE_TEXT_LIMIT = 10000,
    // GetTempFileNameA adds a backslash and up to 13 characters.
    TEMP_FOLDER_LIMIT = MAX_PATH - 14,
};

char licenseText[LICENSE_TEXT_LIMIT + 1];

// Writes the agreement text into a new file of a name nobody else has in
// the folder. 0 when none could be made and filled; what was made is gone.
int writeTextToNewFileIn(const char *folder, char *fileName)
{
    if (GetTempFileNameA(folder, TEMP_FILE_PREFIX, 0, fileName) == 0)
        return 0;
    if (extractResourceToFile(appInstance, LICENSE_RESOURCE_TYPE, IDR_LICENSE, fileName))
        return 1;
    DeleteFileA(fileName);
    return 0;
}

// The agreement text in a file of its own: in the temporary folder, or in
// the current folder when there is no usable temporary folder or no file
// can be made in it (a full disk, a read-only folder, or a folder that TEMP
// names but that is gone). 0 when no file holds it.
int writeTextToOwnFile(char *fileName)
{
    char folder[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length != 0 && length <= TEMP_FOLDER_LIMIT && writeTextToNewFileIn(folder, fileName))
        return 1;
    return writeTextToNewFileIn(CURRENT_FOLDER, fileName);
}

// Reads the file once, at most LICENSE_TEXT_LIMIT bytes, into the control.
void showFileText(const char *fileName, HWND control)
{
    HANDLE file = CreateFileA(fileName, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD read = 0;
    if (ReadFile(file, licenseText, LICENSE_TEXT_LIMIT, &read, NULL)) {
        licenseText[read] = '\0';
        SetWindowTextA(control, licenseText);
    }
    CloseHandle(file);
}

} // namespace

void loadLicenseText(HWND control)
{
    char fileName[MAX_PATH];
    if (!writeTextToOwnFile(fileName))
        return;
    showFileText(fileName, control);
    DeleteFileA(fileName);
}

void initLicenseDialog(HWND dialog)
{
    char productLine[PRODUCT_LINE_SIZE];
    lstrcpyA(productLine, PRODUCT_LINE_PREFIX);
    lstrcatA(productLine, PRODUCT_VERSION);
    SetDlgItemTextA(dialog, IDC_PRODUCT_NAME, productLine);
    SetDlgItemTextA(dialog, IDC_RIGHTS_NOTICE, RIGHTS_NOTICE);
    loadLicenseText(GetDlgItem(dialog, IDC_LICENSE_TEXT));
}

INT_PTR CALLBACK licenseDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        initLicenseDialog(dialog);
        return TRUE;  // the focus goes to the first tab stop, Yes
    }
    if (message != WM_COMMAND)
        return FALSE;
    // IDCANCEL (Escape, the close box) is ignored: only an answer ends it.
    WORD command = LOWORD(wParam);
    if (command != IDYES && command != IDNO)
        return FALSE;
    EndDialog(dialog, command);
    return TRUE;
}
