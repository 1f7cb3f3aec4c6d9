#include "message_box_capture.h"

#include <stdexcept>

namespace {
MessageBoxCapture *activeCapture = nullptr;
}

CapturedBox captureOf(const WindowView &view)
{
    CapturedBox box;
    box.text = view.messageText();
    box.caption = view.caption;
    box.hasIcon = view.hasIcon();
    box.topmost = view.topmost();
    box.buttons = view.buttonTexts();
    box.style = MB_OK | (box.hasIcon ? MB_ICONWARNING : 0) | (box.topmost ? MB_TOPMOST : 0);
    return box;
}

bool isPlainBox(const CapturedBox &box)
{
    return box.style == MB_OK && !box.hasIcon && box.buttons == std::vector<std::string>{"OK"};
}

bool isTopmostWarning(const CapturedBox &box)
{
    return box.style == (MB_OK | MB_ICONWARNING | MB_TOPMOST) && box.hasIcon &&
           box.buttons == std::vector<std::string>{"OK"};
}

MessageBoxCapture::MessageBoxCapture()
    : hook_("user32.dll", "MessageBoxA", reinterpret_cast<void *>(&MessageBoxCapture::replacement))
{
    if (activeCapture)
        throw std::logic_error("one message box capture at a time");
    activeCapture = this;
}

MessageBoxCapture::~MessageBoxCapture()
{
    activeCapture = nullptr;
}

int WINAPI MessageBoxCapture::replacement(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    CapturedBox box;
    box.text = text ? text : "";
    box.caption = caption ? caption : "";
    box.style = style;
    box.hasIcon = (style & MB_ICONMASK) != 0;
    box.topmost = (style & MB_TOPMOST) != 0;
    if ((style & MB_TYPEMASK) == MB_OK)
        box.buttons = {"OK"};
    if (owner)
        box.caption += " (owned)";  // the product's boxes never have an owner
    if (activeCapture)
        activeCapture->boxes_.push_back(box);
    return IDOK;
}
