// Reading and driving dialogs and message boxes, of this process or of a
// child process, with no person at the keyboard.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct ControlView {
    HWND window;
    int id;
    std::string className;
    std::string text;
    DWORD style;
    RECT rect;  // in dialog client coordinates (pixels)
    bool visible;
};

struct WindowView {
    HWND window = NULL;
    std::string className;
    std::string caption;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect = {0, 0, 0, 0};  // screen coordinates
    std::vector<ControlView> controls;

    const ControlView *control(int id) const;
    std::string controlText(int id) const;
    bool isMessageBox() const;
    std::string messageText() const;  // the body of a message box
    bool hasIcon() const;             // a message box that shows an icon
    bool topmost() const { return (exStyle & WS_EX_TOPMOST) != 0; }
    std::vector<std::string> buttonTexts() const;
};

WindowView viewWindow(HWND window);

// A control that draws its text itself: a button, or a static of a kind
// that wraps its text (SS_LEFT, SS_CENTER, SS_RIGHT).
bool showsText(const ControlView &control);
// The room the control's text needs in this font, laid out as the control
// lays it out: a static wraps it at its width, a button keeps one line.
SIZE measureText(const ControlView &control, HFONT font);

// Presses a dialog button the way the dialog manager would report it.
void pressButton(HWND dialog, int id);
// The close box in the caption (or Alt+F4): the dialog manager turns it
// into the command IDCANCEL.
void pressCloseBox(HWND dialog);
// The Escape key, delivered to the control that has the focus.
void pressEscape(HWND dialog);
