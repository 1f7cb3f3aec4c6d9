// measure_lines.exe <placer.exe> <scratch folder>
//
// Runs the installer built with the maker's lines, as a person meets it,
// and measures each of the maker's texts where the licence dialog shows it:
// the caption (the edition), the product line (edition and version), the
// rights notice and the web line. A text is measured in the font its place
// is drawn in, on one line, against the room its control gives it, less a
// tenth: Windows' own dialog fonts are not Wine's, and a text that only
// just fits here may wrap or be cut there. Then No, and the first message
// is read. Prints a row per text ("shown ..."), and a line naming the
// option for each text that does not fit ("--web-line refused: ...").
// Exit code 0 when every text fits, 1 when one does not, 2 when the dialog
// could not be measured. Every wait is bounded.
#include "chain_windows.h"
#include "child_process.h"
#include "dialog_template.h"
#include "maker_lines.h"
#include "module_resources.h"

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const DWORD DIALOG_TIMEOUT_MS = 30000;  // the first window on a fresh X display is slow
const int LICENSE_DIALOG_ID = 113;
const int PRODUCT_LINE_ID = 1102;
const int RIGHTS_NOTICE_ID = 1104;

struct Place {
    std::string option;  // what the maker gave
    std::string where;
    std::string text;    // as the running dialog shows it
    std::string wanted;  // as the maker's lines make it
    HFONT font;
    UINT format;         // DrawTextA's, as the place draws its text
    SIZE room;
};

SIZE textSize(const Place &place)
{
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ previous = SelectObject(dc, place.font);
    RECT rect = {0, 0, 0, 0};
    DrawTextA(dc, place.text.c_str(), -1, &rect, DT_CALCRECT | DT_SINGLELINE | place.format);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// True when it fits; prints its row, and its refusal when it does not.
bool fits(const Place &place)
{
    SIZE size = textSize(place);
    LONG usable = place.room.cx - place.room.cx / 10;
    std::printf("shown  %-24s %4ld x %-3ld in %4ld x %-3ld \"%s\"\n", place.where.c_str(), size.cx, size.cy,
                place.room.cx, place.room.cy, place.text.c_str());
    std::string problem;
    if (place.text != place.wanted)
        problem = "shows \"" + place.text + "\", not \"" + place.wanted + "\"";
    else if (size.cx > usable)
        problem = std::to_string(size.cx) + " pixels wide, more than the " + std::to_string(usable) + " of the " +
                  std::to_string(place.room.cx) + " that " + place.where + " holds, less a tenth";
    else if (size.cy > place.room.cy)
        problem = std::to_string(size.cy) + " pixels high, more than the " + std::to_string(place.room.cy) +
                  " that " + place.where + " holds";
    else if (!(place.format & DT_NOPREFIX) && place.text.find('&') != std::string::npos)
        problem = "an '&' that " + place.where + " shows as an underline";
    if (problem.empty())
        return true;
    std::printf("%s refused: %s: \"%s\"\n", place.option.c_str(), problem.c_str(), place.text.c_str());
    return false;
}

HFONT captionFont()
{
    NONCLIENTMETRICSA metrics;
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return CreateFontIndirectA(&metrics.lfCaptionFont);
}

// The caption bar less its frame and the close box.
SIZE captionRoom(const WindowView &dialog)
{
    LONG width = dialog.rect.right - dialog.rect.left - 2 * GetSystemMetrics(SM_CXFIXEDFRAME) -
                 GetSystemMetrics(SM_CXSIZE) - 2 * GetSystemMetrics(SM_CXEDGE);
    return SIZE{width, GetSystemMetrics(SM_CYCAPTION)};
}

Place controlPlace(const ControlView &control, const char *option, const char *where, const char *wanted,
                   HFONT font)
{
    RECT client;
    GetClientRect(control.window, &client);
    UINT format = (control.style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
    return Place{option, where, control.text, wanted, font, format, SIZE{client.right, client.bottom}};
}

// The font the dialog manager made from the template: Wine answers
// WM_GETFONT from another process with 0, so it is made here again, and
// the dialog's size in it shows that it is the same.
HFONT dialogFont(const std::string &placer, const WindowView &dialog)
{
    ModuleFile file(placer);
    DialogTemplate layout = parseDialogTemplate(file.bytes(resourceId(5), resourceId(LICENSE_DIALOG_ID)));
    HDC screen = GetDC(NULL);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    HFONT font = createDialogFont(layout, dpi);
    SIZE expected = dialogSizeInPixels(layout, font);
    RECT client;
    GetClientRect(dialog.window, &client);
    if (expected.cx != client.right || expected.cy != client.bottom) {
        DeleteObject(font);
        throw std::runtime_error("the dialog is not laid out in " + layout.fontName + " as made here");
    }
    return font;
}

bool measure(const std::string &placer, const WindowView &dialog)
{
    HFONT font = dialogFont(placer, dialog);
    HFONT caption = captionFont();
    std::vector<Place> places = {{"--edition", "the caption", dialog.caption,
                                  "Kelvane Setup - " KELVANE_EDITION " Version", caption, DT_NOPREFIX,
                                  captionRoom(dialog)}};
    for (const ControlView &control : dialog.controls) {
        if (control.id == PRODUCT_LINE_ID)
            places.push_back(controlPlace(control, "--edition/--version", "the product line",
                                          "Kelvane for PalmPilot - " KELVANE_EDITION " Version " KELVANE_VERSION_SHOWN,
                                          font));
        else if (control.id == RIGHTS_NOTICE_ID)
            places.push_back(controlPlace(control, "--rights-notice", "the rights notice", KELVANE_RIGHTS_NOTICE,
                                          font));
        else if (control.text == KELVANE_WEB_LINE)
            places.push_back(controlPlace(control, "--web-line", "the web line", KELVANE_WEB_LINE, font));
    }
    bool allFit = places.size() == 4;
    if (!allFit)
        std::printf("measure_lines: found %u of the dialog's four texts\n", static_cast<unsigned>(places.size()));
    for (const Place &place : places)
        allFit &= fits(place);
    DeleteObject(caption);
    DeleteObject(font);
    return allFit;
}

int run(const std::string &placer, const std::string &folder)
{
    ChildProcess installer(placer, "placer.exe", folder);
    HWND window = installer.nextDialog(DIALOG_TIMEOUT_MS);
    if (!window || !isLicenseDialog(viewWindow(window))) {
        std::printf("measure_lines: no licence dialog appeared\n");
        return 2;
    }
    bool allFit = measure(placer, viewWindow(window));
    pressButton(window, IDNO);
    CapturedBox box;
    if (!installer.nextMessageBox(&box, DIALOG_TIMEOUT_MS)) {
        std::printf("measure_lines: no message after No\n");
        return 2;
    }
    std::printf("shown  %-24s \"%s\"\n", "the message after No", box.text.c_str());
    DWORD exitCode = 1;
    if (!installer.waitForExit(&exitCode, DIALOG_TIMEOUT_MS))
        std::printf("measure_lines: the installer did not end; it was stopped\n");
    return allFit ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::printf("usage: measure_lines.exe <placer.exe> <scratch folder>\n");
        return 2;
    }
    try {
        return run(argv[1], argv[2]);
    } catch (const std::exception &error) {
        std::printf("measure_lines: %s\n", error.what());
        return 2;
    }
}
