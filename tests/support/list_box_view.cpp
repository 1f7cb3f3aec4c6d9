#include "list_box_view.h"

namespace {

const LPARAM CLICKS_HANDLED_MARKER = 0x4B4C4943;  // "CILK"

bool waitForItemData(HWND list, int index, LPARAM expected, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD_PTR data = 0;
        if (SendMessageTimeoutA(list, LB_GETITEMDATA, static_cast<WPARAM>(index), 0, SMTO_NORMAL, 1000, &data) &&
            static_cast<LPARAM>(data) == expected)
            return true;
        if (!IsWindow(list) || GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(10);
    }
}

} // namespace

std::vector<std::string> listBoxItems(HWND list)
{
    std::vector<std::string> items;
    LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        if (length < 0) {
            items.push_back(std::string());
            continue;
        }
        std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
        length = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&wide[0]));
        wide.resize(length > 0 ? static_cast<size_t>(length) : 0);
        std::string text(wide.size() * 2 + 1, '\0');
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0],
                                        static_cast<int>(text.size()), NULL, NULL);
        text.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
        items.push_back(text);
    }
    return items;
}

int listBoxSelection(HWND list)
{
    return static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
}

bool doubleClickListItem(HWND list, int index, DWORD timeoutMs)
{
    RECT item;
    if (SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) == LB_ERR)
        return false;
    RECT client;
    GetClientRect(list, &client);
    if (item.top < client.top || item.bottom > client.bottom)
        return false;
    LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(list, WM_LBUTTONUP, 0, at);
    // Posted messages to one window are handled in order: once the marker
    // is set, every click before it has been handled.
    PostMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(index), CLICKS_HANDLED_MARKER);
    return waitForItemData(list, index, CLICKS_HANDLED_MARKER, timeoutMs);
}
