// Byte-for-byte comparison of files through open handles, across the
// chunks it reads in and the words it compares by.
#include "file_compare.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

HANDLE openForReading(const std::string &path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
}

} // namespace

TEST(FileCompare, FindsEveryDifferenceAtEveryPlace)
{
    const size_t CHUNK = 65536;
    std::string bytes;
    for (size_t i = 0; i < 3 * CHUNK + 7; ++i)
        bytes += static_cast<char>(i * 131 + i / 256);
    const size_t NONE = std::string::npos;
    const struct {
        size_t size, changed;  // changed: the byte that differs in the file
        int extra;             // bytes the file has more (or fewer)
    } cases[] = {
        {0, NONE, 0},          {1, NONE, 0},         {1, 0, 0},           {5, 4, 0},
        {5, 3, 0},             {CHUNK, NONE, 0},     {CHUNK, CHUNK - 1, 0}, {CHUNK + 1, CHUNK, 0},
        {3 * CHUNK + 7, NONE, 0}, {3 * CHUNK + 7, 2 * CHUNK + 2, 0}, {3 * CHUNK + 7, 3 * CHUNK + 6, 0},
        {CHUNK, NONE, 1},      {CHUNK, NONE, -1},    {0, NONE, 1},        {7, NONE, -3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.size) + " bytes, changed at " + std::to_string(c.changed) + ", extra " +
                     std::to_string(c.extra));
        std::string expected = bytes.substr(0, c.size), file = expected;
        if (c.changed != NONE)
            file[c.changed] ^= 0x40;
        if (c.extra > 0)
            file += std::string(static_cast<size_t>(c.extra), 'x');
        else
            file.resize(file.size() - static_cast<size_t>(-c.extra));
        bool same = c.changed == NONE && c.extra == 0;
        TempFolder folder("cmp");
        writeFileBytes(folder / "file", file);
        writeFileBytes(folder / "expected", expected);

        HANDLE handle = openForReading(folder / "file");
        ASSERT_NE(INVALID_HANDLE_VALUE, handle);
        EXPECT_EQ(same, fileHoldsBytes(handle, reinterpret_cast<const BYTE *>(expected.data()),
                                       static_cast<DWORD>(expected.size())) == 1);
        CloseHandle(handle);

        HANDLE first = openForReading(folder / "file"), second = openForReading(folder / "expected");
        EXPECT_EQ(same, filesHoldSameBytes(first, second) == 1);
        CloseHandle(first);
        CloseHandle(second);
    }
}
