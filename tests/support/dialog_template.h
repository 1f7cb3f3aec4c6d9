// Parses a dialog template resource (DIALOG or DIALOGEX) field by field, so
// tests can compare a program's dialogs with what they must be.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct DialogItemTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::string className;  // predefined classes by name in upper case: BUTTON, EDIT, STATIC, LISTBOX, ...
    std::string text;       // empty when the text is an ordinal
    int textOrdinal = -1;   // an icon's resource id, say; -1 when the text is a string
    WORD creationDataSize = 0;
};

struct DialogTemplate {
    bool extended = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;         // empty: no menu
    std::string windowClass;  // empty: the standard dialog class
    std::string caption;
    WORD fontPointSize = 0;
    std::string fontName;
    std::vector<DialogItemTemplate> items;
};

// Parses the bytes of an RT_DIALOG resource; throws on a damaged template.
DialogTemplate parseDialogTemplate(const std::string &bytes);

// One control as a template must hold it, with no extended style and no
// creation data. A null text accepts any text.
struct ExpectedDialogItem {
    DWORD id;
    const char *className;
    DWORD style;
    short x, y, cx, cy;
    const char *text;
    int textOrdinal = -1;
};

// The font the dialog manager makes for a template's DS_SETFONT font on a
// screen of this DPI (a DIALOG template's: regular weight, not italic).
HFONT createDialogFont(const DialogTemplate &dialog, int dpi);
// The dialog's client size in pixels when laid out in that font: a dialog
// unit is a quarter of its average character width, an eighth of its height.
SIZE dialogSizeInPixels(const DialogTemplate &dialog, HFONT font);

// Checks the template's controls, in order, against the expected ones.
void expectDialogItems(const DialogTemplate &dialog, const std::vector<ExpectedDialogItem> &expected);
