#include "window_view.h"

namespace {

std::string windowText(HWND window)
{
    // WM_GETTEXT is marshalled between processes; GetWindowText is not.
    char text[16384];
    LRESULT length = SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string classNameOf(HWND window)
{
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? length : 0);
}

BOOL CALLBACK addControl(HWND child, LPARAM param)
{
    auto *view = reinterpret_cast<WindowView *>(param);
    if (GetParent(child) != view->window)
        return TRUE;
    ControlView control;
    control.window = child;
    control.id = static_cast<int>(static_cast<WORD>(GetDlgCtrlID(child)));
    control.className = classNameOf(child);
    control.text = windowText(child);
    control.style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
    GetWindowRect(child, &control.rect);
    MapWindowPoints(NULL, view->window, reinterpret_cast<POINT *>(&control.rect), 2);
    control.visible = IsWindowVisible(child) != FALSE;
    view->controls.push_back(control);
    return TRUE;
}

bool sameClass(const std::string &a, const char *b)
{
    return lstrcmpiA(a.c_str(), b) == 0;
}

} // namespace

const ControlView *WindowView::control(int id) const
{
    for (const ControlView &candidate : controls) {
        if (candidate.id == id)
            return &candidate;
    }
    return nullptr;
}

std::string WindowView::controlText(int id) const
{
    const ControlView *found = control(id);
    return found ? found->text : std::string();
}

bool WindowView::isMessageBox() const
{
    // A message box is a system dialog whose body is the static 0xFFFF and
    // whose other controls are only buttons and its icon.
    if (className != "#32770" || !control(0xFFFF))
        return false;
    for (const ControlView &candidate : controls) {
        if (!sameClass(candidate.className, "Button") && !sameClass(candidate.className, "Static"))
            return false;
    }
    return true;
}

std::string WindowView::messageText() const
{
    return controlText(0xFFFF);
}

bool WindowView::hasIcon() const
{
    for (const ControlView &candidate : controls) {
        if (sameClass(candidate.className, "Static") && (candidate.style & SS_TYPEMASK) == SS_ICON &&
            (candidate.style & WS_VISIBLE) && SendMessageA(candidate.window, STM_GETICON, 0, 0) != 0)
            return true;
    }
    return false;
}

std::vector<std::string> WindowView::buttonTexts() const
{
    std::vector<std::string> texts;
    for (const ControlView &candidate : controls) {
        if (sameClass(candidate.className, "Button") && (candidate.style & WS_VISIBLE))
            texts.push_back(candidate.text);
    }
    return texts;
}

WindowView viewWindow(HWND window)
{
    WindowView view;
    view.window = window;
    view.className = classNameOf(window);
    view.caption = windowText(window);
    view.style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    view.exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    GetWindowRect(window, &view.rect);
    EnumChildWindows(window, addControl, reinterpret_cast<LPARAM>(&view));
    return view;
}

bool showsText(const ControlView &control)
{
    return sameClass(control.className, "Button") ||
           (sameClass(control.className, "Static") && (control.style & SS_TYPEMASK) <= SS_RIGHT);
}

SIZE measureText(const ControlView &control, HFONT font)
{
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ previous = SelectObject(dc, font);
    RECT text = {0, 0, control.rect.right - control.rect.left, 0};
    UINT layout = sameClass(control.className, "Button") ? DT_SINGLELINE : DT_WORDBREAK | DT_EXPANDTABS;
    if (sameClass(control.className, "Static") && (control.style & SS_NOPREFIX))
        layout |= DT_NOPREFIX;
    DrawTextA(dc, control.text.c_str(), -1, &text, DT_CALCRECT | layout);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return SIZE{text.right - text.left, text.bottom - text.top};
}

void pressButton(HWND dialog, int id)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void pressCloseBox(HWND dialog)
{
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void pressEscape(HWND dialog)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    HWND target = dialog;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info) && info.hwndFocus)
        target = info.hwndFocus;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}
