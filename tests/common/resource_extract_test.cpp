// Writing carried resources out to files, from this test program's own
// resources (extract_test_resources.rc).
#include "extract_test_resources.h"
#include "import_hook.h"
#include "resource_extract.h"
#include "temp_folder.h"
#include "unix_links.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> debugOutput;
void WINAPI recordDebugOutput(LPCSTR text)
{
    debugOutput.push_back(text);
}

// A full disk: the write stops half-way, and says so or not.
ImportHook *writeHook = nullptr;

BOOL originalWriteFile(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written)
{
    return reinterpret_cast<decltype(&WriteFile)>(writeHook->original())(file, bytes, size, written, NULL);
}

BOOL WINAPI failingWriteFile(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED)
{
    originalWriteFile(file, bytes, size / 2, written);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

BOOL WINAPI shortWriteFile(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED)
{
    return originalWriteFile(file, bytes, size / 2, written);
}

// Windows 95 to Me: no MoveFileExA to be found.
ImportHook *procedureHook = nullptr;

FARPROC WINAPI procedureWithoutMoveFileEx(HMODULE module, LPCSTR name)
{
    if (HIWORD(name) && lstrcmpA(name, "MoveFileExA") == 0)
        return NULL;
    return reinterpret_cast<decltype(&GetProcAddress)>(procedureHook->original())(module, name);
}

std::string sampleBytes()
{
    return readFileBytes(std::string(TEST_DATA_DIR) + "/sample.bin");
}

} // namespace

class ResourceExtractTest : public ::testing::Test {
protected:
    void SetUp() override { debugOutput.clear(); }
    void extract(const char *type, int id, const std::string &file)
    {
        extractResourceToFile(GetModuleHandleA(NULL), type, id, file.c_str());
    }

    TempFolder folder{"extract"};
    ImportHook debugHook{"kernel32.dll", "OutputDebugStringA", reinterpret_cast<void *>(recordDebugOutput)};
};

TEST_F(ResourceExtractTest, WritesTheResourceByteForByte)
{
    extract("TESTBIN", IDR_TEST_SAMPLE, folder / "out.bin");
    EXPECT_TRUE(sampleBytes() == readFileBytes(folder / "out.bin"));

    // Only the low 16 bits of the id count.
    extract("TESTBIN", IDR_TEST_SAMPLE | 0x10000, folder / "high.bin");
    EXPECT_TRUE(sampleBytes() == readFileBytes(folder / "high.bin"));

    // An existing longer file ends with exactly the resource's length.
    writeFileBytes(folder / "text.txt", std::string(5000, 'z'));
    extract("TESTTXT", IDR_TEST_TEXT, folder / "text.txt");
    EXPECT_EQ("line one\r\nline two\r\n", readFileBytes(folder / "text.txt"));

    extract("TESTBIN", IDR_TEST_EMPTY, folder / "empty.bin");
    ASSERT_TRUE(fileExists(folder / "empty.bin"));
    EXPECT_EQ("", readFileBytes(folder / "empty.bin"));

    // A relative name lands in the current directory of the moment.
    {
        ScopedCurrentDirectory here(folder.path());
        extract("TESTTXT", IDR_TEST_TEXT, "relative.txt");
    }
    EXPECT_TRUE(fileExists(folder / "relative.txt"));
    EXPECT_TRUE(debugOutput.empty());
}

TEST_F(ResourceExtractTest, MissingResourceCreatesAndChangesNothing)
{
    extract("NOSUCHTYPE", IDR_TEST_SAMPLE, folder / "none.bin");
    extract("TESTBIN", 4321, folder / "none.bin");
    EXPECT_FALSE(fileExists(folder / "none.bin"));

    writeFileBytes(folder / "kept.bin", "keep me");
    extract("TESTBIN", 4321, folder / "kept.bin");
    EXPECT_EQ("keep me", readFileBytes(folder / "kept.bin"));
}

TEST_F(ResourceExtractTest, FileThatCannotBeReplacedStaysAsItWas)
{
    // (A read-only file cannot be tried here: Wine keeps that attribute in
    // the Unix mode bits, which root, who runs the tests, writes through.)
    writeFileBytes(folder / "locked.bin", "locked");
    HANDLE holder = CreateFileA((folder / "locked.bin").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    extract("TESTBIN", IDR_TEST_SAMPLE, folder / "locked.bin");
    CloseHandle(holder);
    EXPECT_EQ("locked", readFileBytes(folder / "locked.bin"));

    extract("TESTBIN", IDR_TEST_SAMPLE, folder / "no such folder\\x.bin");
    EXPECT_TRUE(debugOutput.empty()) << debugOutput.front();
}

// A write that stops half-way leaves no cut-off file, and an earlier file
// under the name stays as it was; the error comes back. Only a failed call
// goes to the debugger output.
TEST_F(ResourceExtractTest, WriteThatStopsHalfWayLeavesNoFile)
{
    const struct {
        const char *name;
        void *writeFile;
        std::vector<std::string> debugOutput;
    } cases[] = {
        {"write fails", reinterpret_cast<void *>(failingWriteFile), {"WriteFile() - failed\n"}},
        {"write comes back short", reinterpret_cast<void *>(shortWriteFile), {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        debugOutput.clear();
        writeFileBytes(folder / "old.bin", "an earlier file");
        int results[2];
        DWORD errors[2];
        {
            ImportHook hook("kernel32.dll", "WriteFile", c.writeFile);
            writeHook = &hook;
            results[0] = extractResourceToFile(GetModuleHandleA(NULL), "TESTBIN", IDR_TEST_SAMPLE,
                                               (folder / "new.bin").c_str());
            errors[0] = GetLastError();
            results[1] = extractResourceToFile(GetModuleHandleA(NULL), "TESTBIN", IDR_TEST_SAMPLE,
                                               (folder / "old.bin").c_str());
            errors[1] = GetLastError();
        }
        EXPECT_EQ(0, results[0]);
        EXPECT_EQ(0, results[1]);
        EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), errors[0]);
        EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), errors[1]);
        EXPECT_EQ(std::vector<std::string>{"old.bin"}, filesIn(folder.path()));
        EXPECT_EQ("an earlier file", readFileBytes(folder / "old.bin"));
        std::vector<std::string> twice = c.debugOutput;
        twice.insert(twice.end(), c.debugOutput.begin(), c.debugOutput.end());
        EXPECT_EQ(twice, debugOutput);
    }
}

// Whatever stands under the name is replaced as a name: a link to another
// file (planted in a folder that others may write) is never written
// through, and that file keeps its bytes. A file held open stays as it
// was. Without MoveFileExA (Windows 95 to Me, whose file systems have no
// links) the earlier file goes first.
TEST_F(ResourceExtractTest, ReplacesTheNameNeverWhatStandsUnderIt)
{
    enum Under { EARLIER_FILE, HARD_LINK, SYMBOLIC_LINK, HELD_FILE };
    const struct {
        Under under;
        bool withoutMoveFileEx;
        bool replaced;
    } cases[] = {
        {EARLIER_FILE, false, true}, {HARD_LINK, false, true},  {SYMBOLIC_LINK, false, true},
        {HELD_FILE, false, false},   {EARLIER_FILE, true, true}, {HELD_FILE, true, false},
    };
    TempFolder elsewhere("other");
    const std::string other = elsewhere / "other.bin", name = folder / "out.bin";
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.under) + (c.withoutMoveFileEx ? " without MoveFileExA" : ""));
        writeFileBytes(other, "somebody else's file");
        if (c.under == HARD_LINK || c.under == SYMBOLIC_LINK)
            plantLink(c.under == HARD_LINK ? LinkKind::HARD : LinkKind::SYMBOLIC, other, name);
        else
            writeFileBytes(name, "an earlier file");
        HANDLE holder = c.under == HELD_FILE ? CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                                           OPEN_EXISTING, 0, NULL)
                                             : INVALID_HANDLE_VALUE;
        std::unique_ptr<ImportHook> hook;
        if (c.withoutMoveFileEx) {
            hook.reset(new ImportHook("kernel32.dll", "GetProcAddress",
                                      reinterpret_cast<void *>(procedureWithoutMoveFileEx)));
            procedureHook = hook.get();
        }
        int result = extractResourceToFile(GetModuleHandleA(NULL), "TESTBIN", IDR_TEST_SAMPLE, name.c_str());
        hook.reset();
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);

        EXPECT_EQ(c.replaced ? 1 : 0, result);
        EXPECT_TRUE(readFileBytes(name) == (c.replaced ? sampleBytes() : "an earlier file"));
        EXPECT_EQ("somebody else's file", readFileBytes(other));
        EXPECT_EQ(1u, linkCount(name));
        EXPECT_EQ(std::vector<std::string>{"out.bin"}, filesIn(folder.path()));
        DeleteFileA(name.c_str());
    }
}
