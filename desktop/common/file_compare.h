// Byte-for-byte comparisons of files read through open handles, each from
// where its handle stands to its end, through fixed buffers.
#pragma once

#include <windows.h>

// 1 when the file holds exactly these bytes and nothing more; 0 when it
// differs or cannot be read.
int fileHoldsBytes(HANDLE file, const BYTE *bytes, DWORD size);

// 1 when both files hold the same bytes; 0 when they differ or either
// cannot be read.
int filesHoldSameBytes(HANDLE first, HANDLE second);
