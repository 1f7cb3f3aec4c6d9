// Message boxes seen by a test.
//
// In this process, MessageBoxCapture takes the place of MessageBoxA for the
// product code linked into the test: it records the exact text, caption and
// style of every call and answers IDOK at once, so no window waits for a
// person. Only one capture may be alive at a time.
//
// In a child process the boxes are real windows; ChildProcess reads them
// into the same record (style then tells only what the window shows).
#pragma once

#include "import_hook.h"
#include "window_view.h"

#include <string>
#include <vector>

struct CapturedBox {
    std::string text;
    std::string caption;
    UINT style;  // the MB_ flags given; from a window: MB_OK plus the icon seen
    bool hasIcon;
    bool topmost;
    std::vector<std::string> buttons;
};

class MessageBoxCapture {
public:
    MessageBoxCapture();
    ~MessageBoxCapture();
    MessageBoxCapture(const MessageBoxCapture &) = delete;
    MessageBoxCapture &operator=(const MessageBoxCapture &) = delete;

    const std::vector<CapturedBox> &boxes() const { return boxes_; }
    size_t count() const { return boxes_.size(); }
    void clear() { boxes_.clear(); }

private:
    static int WINAPI replacement(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
    std::vector<CapturedBox> boxes_;
    ImportHook hook_;
};

// Reads a message box window (of any process).
CapturedBox captureOf(const WindowView &view);

// The two message styles of the product: a plain MB_OK box with no icon,
// and the warning (MB_OK | MB_ICONWARNING | MB_TOPMOST).
bool isPlainBox(const CapturedBox &box);
bool isTopmostWarning(const CapturedBox &box);
