// Reading and clicking a list box of any process.
//
// LB_GETTEXT sent with SendMessageA to another process's list box does not
// come back as ANSI text under Wine (only the first character arrives), so
// the items are read as wide text and converted with the ANSI code page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

std::vector<std::string> listBoxItems(HWND list);
// The selected index, or -1 (LB_ERR) when nothing is selected.
int listBoxSelection(HWND list);
// A real double-click on an item: button down, up, double-click, up at the
// item's centre, as the mouse would deliver them. Returns once the list has
// handled all of them (it has then notified its parent), false when the
// item is not visible, or the list went away or did not answer in time. Uses the item's
// data word as a marker.
bool doubleClickListItem(HWND list, int index, DWORD timeoutMs = 5000);
