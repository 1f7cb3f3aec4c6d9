// Writing carried resources out to files, from this test program's own
// resources (extract_test_resources.rc).
#include "extract_test_resources.h"
#include "import_hook.h"
#include "resource_extract.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> debugOutput;
void WINAPI recordDebugOutput(LPCSTR text)
{
    debugOutput.push_back(text);
}

BOOL WINAPI failingWriteFile(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED)
{
    if (written)
        *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
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

TEST_F(ResourceExtractTest, FailedWriteGoesToTheDebuggerAndClosesTheFile)
{
    {
        ImportHook writeHook("kernel32.dll", "WriteFile", reinterpret_cast<void *>(failingWriteFile));
        extract("TESTBIN", IDR_TEST_SAMPLE, folder / "full.bin");
    }
    EXPECT_EQ(std::vector<std::string>{"WriteFile() - failed\n"}, debugOutput);
    // Closed: it can be opened without sharing and deleted at once.
    EXPECT_TRUE(DeleteFileA((folder / "full.bin").c_str()));
}
