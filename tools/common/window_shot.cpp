#include "window_shot.h"

#include "png_file.h"

#include <vector>

namespace {

const DWORD SETTLE_MS = 100;
const UINT IDLE_TIMEOUT_MS = 1000;

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bgrx;  // 4 bytes a pixel, top row first
};

// Copies from the screen DC; falls back to PrintWindow when the screen
// gives nothing (a display driver that cannot read back its windows).
Capture grab(HWND window, bool fromScreen)
{
    Capture capture;
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return capture;
    capture.width = rect.right - rect.left;
    capture.height = rect.bottom - rect.top;
    if (capture.width <= 0 || capture.height <= 0)
        return capture;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = capture.width;
    info.bmiHeader.biHeight = -capture.height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (fromScreen)
        BitBlt(memory, 0, 0, capture.width, capture.height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    else
        PrintWindow(window, memory, 0);
    GdiFlush();
    const unsigned char *pixels = static_cast<const unsigned char *>(bits);
    capture.bgrx.assign(pixels, pixels + static_cast<size_t>(capture.width) * capture.height * 4);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return capture;
}

bool hasContent(const Capture &capture)
{
    for (size_t i = 4; i + 4 <= capture.bgrx.size(); i += 4) {
        if (capture.bgrx[i] != capture.bgrx[0] || capture.bgrx[i + 1] != capture.bgrx[1] ||
            capture.bgrx[i + 2] != capture.bgrx[2])
            return true;
    }
    return false;
}

bool savePng(const Capture &capture, const std::string &path)
{
    std::vector<unsigned char> rgb;
    rgb.reserve(static_cast<size_t>(capture.width) * capture.height * 3);
    for (size_t i = 0; i + 4 <= capture.bgrx.size(); i += 4) {
        rgb.push_back(capture.bgrx[i + 2]);
        rgb.push_back(capture.bgrx[i + 1]);
        rgb.push_back(capture.bgrx[i]);
    }
    return writePng(path, capture.width, capture.height, rgb);
}

// Returns once the window's thread has handled everything sent before,
// that is, once it waits in its message loop.
void waitUntilIdle(HWND window)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, IDLE_TIMEOUT_MS, &ignored);
}

bool samePicture(const Capture &a, const Capture &b)
{
    return a.width == b.width && a.height == b.height && a.bgrx == b.bgrx;
}

} // namespace

bool saveWindowPng(HWND window, const std::string &path, DWORD timeoutMs)
{
    // The screen shows a window's paint only some time after it was done,
    // so the picture counts once it has content and holds still between
    // two looks; at the timeout the last picture with content is taken.
    waitUntilIdle(window);
    RedrawWindow(window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD start = GetTickCount();
    Capture previous;
    for (;;) {
        Sleep(SETTLE_MS);
        waitUntilIdle(window);
        Capture capture = grab(window, true);
        if (!hasContent(capture))
            capture = grab(window, false);
        bool content = hasContent(capture);
        if (content && samePicture(capture, previous))
            return savePng(capture, path);
        if (GetTickCount() - start >= timeoutMs)
            return content && savePng(capture, path);
        previous = capture;
    }
}
