// Faults on the application's way from the installer's resources to the
// user's install folder, injected through the installer's imports in this
// test program: a write, the copy or the read-back that stops half-way, and
// another user of a shared temporary folder who swaps the payload. The
// person sees the success message only when the whole carried application
// is in place; otherwise FAILED, with an earlier copy and its flag as they
// were. No part of a file is left anywhere.
#include "import_hook.h"
#include "in_process_fixture.h"
#include "install_sequence.h"
#include "message_box_capture.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

enum class Fault {
    NONE,
    FIRST_PAYLOAD_WRITE_STOPS,  // the temporary folder's disk is full
    EVERY_PAYLOAD_WRITE_STOPS,  // so is the current folder's
    COPY_STOPS,                 // the Palm Desktop's disk is full
    COPY_COMES_BACK_SHORT,      // ... and the copy says nothing of it
    READ_BACK_STOPS,            // the copy cannot be read back
    PAYLOAD_SWAPPED,            // between the write and the copy
    SWAP_TRIED_BEFORE_COPY,     // while the installer holds the payload
    FLAG_REFUSED,               // the install flag cannot be written
    NAME_FLUSH_FAILS,           // the queued name cannot be flushed
    FIRST_NAME_FLUSH_FAILS,     // ... once, and then it can
    FLAG_FLUSH_FAILS,           // the flag is written but cannot be flushed
    THIRD_FOLDER_APPEARS,       // a folder under the third database's name once it is staged
};

const char FOREIGN_BYTES[] = "someone else's application";
const char EARLIER_COPY[] = "an earlier application, already queued";
const DWORD STOPPED = ERROR_DISK_FULL;

Fault fault;
int payloadWrites;
bool swapped;
bool swapBlocked;
std::string tempPayload;
std::set<HANDLE> stagedCopies;
std::set<HANDLE> queuedForWriting;
int nameFlushes;
int stagedReads;
std::string thirdQueued;
HANDLE thirdStaged;

decltype(&CreateFileA) originalCreateFile;
decltype(&ReadFile) originalReadFile;
decltype(&WriteFile) originalWriteFile;
decltype(&CopyFileA) originalCopyFile;
decltype(&RegSetValueExA) originalRegSetValue;
decltype(&FlushFileBuffers) originalFlushFile;
decltype(&RegFlushKey) originalFlushKey;

bool endsWith(const std::string &text, const std::string &end)
{
    return text.size() >= end.size() && lstrcmpiA(text.substr(text.size() - end.size()).c_str(), end.c_str()) == 0;
}

// The installer's temporary folder ends in a backslash, to which it adds
// "\\kelv.prc": the path holds two in a row.
bool isTempPayload(const std::string &name)
{
    std::string single = name;
    for (size_t at; (at = single.find("\\\\")) != std::string::npos;)
        single.erase(at, 1);
    return lstrcmpiA(single.c_str(), tempPayload.c_str()) == 0;
}

HANDLE WINAPI faultyCreateFile(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                               DWORD disposition, DWORD flags, HANDLE templateFile)
{
    // Just before the installer opens its written payload again.
    if (fault == Fault::PAYLOAD_SWAPPED && !swapped && access == GENERIC_READ && isTempPayload(name)) {
        swapped = true;
        writeFileBytes(name, FOREIGN_BYTES);
    }
    HANDLE file = originalCreateFile(name, access, share, security, disposition, flags, templateFile);
    if (file != INVALID_HANDLE_VALUE && endsWith(name, ".new"))
        stagedCopies.insert(file);
    if (file != INVALID_HANDLE_VALUE && endsWith(name, "\\KelvClip.pqa.new")) {
        thirdStaged = file;
        thirdQueued = std::string(name, lstrlenA(name) - 4);
    }
    if (file != INVALID_HANDLE_VALUE && endsWith(name, "\\kelv.prc") && (access & GENERIC_WRITE))
        queuedForWriting.insert(file);
    return file;
}

BOOL WINAPI faultyWriteFile(HANDLE file, LPCVOID bytes, DWORD size, LPDWORD written, LPOVERLAPPED overlapped)
{
    bool stops = fault == Fault::EVERY_PAYLOAD_WRITE_STOPS ||
                 (fault == Fault::FIRST_PAYLOAD_WRITE_STOPS && payloadWrites++ == 0);
    if (!stops)
        return originalWriteFile(file, bytes, size, written, overlapped);
    originalWriteFile(file, bytes, size / 2, written, overlapped);
    SetLastError(STOPPED);
    return FALSE;
}

// The staged copy yields half of what is asked once, then fails.
BOOL WINAPI faultyReadFile(HANDLE file, LPVOID bytes, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    if (fault != Fault::READ_BACK_STOPS || !stagedCopies.count(file))
        return originalReadFile(file, bytes, size, read, overlapped);
    if (stagedReads++ == 0)
        return originalReadFile(file, bytes, size / 2, read, overlapped);
    *read = 0;
    SetLastError(ERROR_READ_FAULT);
    return FALSE;
}

BOOL WINAPI faultyCopyFile(LPCSTR source, LPCSTR destination, BOOL failIfExists)
{
    if (fault == Fault::SWAP_TRIED_BEFORE_COPY) {
        HANDLE open = originalCreateFile(source, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                         OPEN_EXISTING, 0, NULL);
        swapBlocked = open == INVALID_HANDLE_VALUE;
        if (!swapBlocked) {
            DWORD written = 0;
            originalWriteFile(open, FOREIGN_BYTES, sizeof FOREIGN_BYTES - 1, &written, NULL);
            SetEndOfFile(open);
            CloseHandle(open);
        }
    }
    if (fault != Fault::COPY_STOPS && fault != Fault::COPY_COMES_BACK_SHORT)
        return originalCopyFile(source, destination, failIfExists);
    std::string bytes = readFileBytes(source);
    writeFileBytes(destination, bytes.substr(0, bytes.size() / 2));
    if (fault == Fault::COPY_COMES_BACK_SHORT)
        return TRUE;
    SetLastError(STOPPED);
    return FALSE;
}

LONG WINAPI faultyRegSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    if (fault == Fault::FLAG_REFUSED)
        return ERROR_ACCESS_DENIED;
    return originalRegSetValue(key, name, reserved, type, data, size);
}

BOOL WINAPI faultyFlushFile(HANDLE file)
{
    if (fault == Fault::THIRD_FOLDER_APPEARS && file == thirdStaged)
        CreateDirectoryA(thirdQueued.c_str(), NULL);
    nameFlushes += queuedForWriting.count(file) ? 1 : 0;
    if ((fault == Fault::NAME_FLUSH_FAILS || (fault == Fault::FIRST_NAME_FLUSH_FAILS && nameFlushes == 1)) &&
        queuedForWriting.count(file)) {
        SetLastError(ERROR_WRITE_FAULT);
        return FALSE;
    }
    return originalFlushFile(file);
}

LONG WINAPI faultyFlushKey(HKEY key)
{
    return fault == Fault::FLAG_FLUSH_FAILS ? ERROR_WRITE_FAULT : originalFlushKey(key);
}

INT_PTR WINAPI answerYes(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM)
{
    return IDYES;
}

// Every import above replaced for as long as it lives.
class FaultyFiles {
public:
    explicit FaultyFiles(Fault chosen, const std::string &payloadInTemp)
    {
        fault = chosen;
        payloadWrites = 0;
        swapped = false;
        swapBlocked = false;
        tempPayload = payloadInTemp;
        stagedCopies.clear();
        queuedForWriting.clear();
        nameFlushes = 0;
        stagedReads = 0;
        thirdQueued.clear();
        thirdStaged = INVALID_HANDLE_VALUE;
        originalCreateFile = reinterpret_cast<decltype(&CreateFileA)>(createFile_.original());
        originalReadFile = reinterpret_cast<decltype(&ReadFile)>(readFile_.original());
        originalWriteFile = reinterpret_cast<decltype(&WriteFile)>(writeFile_.original());
        originalCopyFile = reinterpret_cast<decltype(&CopyFileA)>(copyFile_.original());
        originalRegSetValue = reinterpret_cast<decltype(&RegSetValueExA)>(regSetValue_.original());
        originalFlushFile = reinterpret_cast<decltype(&FlushFileBuffers)>(flushFile_.original());
        originalFlushKey = reinterpret_cast<decltype(&RegFlushKey)>(flushKey_.original());
    }

private:
    ImportHook createFile_{"kernel32.dll", "CreateFileA", reinterpret_cast<void *>(&faultyCreateFile)};
    ImportHook readFile_{"kernel32.dll", "ReadFile", reinterpret_cast<void *>(&faultyReadFile)};
    ImportHook writeFile_{"kernel32.dll", "WriteFile", reinterpret_cast<void *>(&faultyWriteFile)};
    ImportHook copyFile_{"kernel32.dll", "CopyFileA", reinterpret_cast<void *>(&faultyCopyFile)};
    ImportHook regSetValue_{"advapi32.dll", "RegSetValueExA", reinterpret_cast<void *>(&faultyRegSetValue)};
    ImportHook flushFile_{"kernel32.dll", "FlushFileBuffers", reinterpret_cast<void *>(&faultyFlushFile)};
    ImportHook flushKey_{"advapi32.dll", "RegFlushKey", reinterpret_cast<void *>(&faultyFlushKey)};
};

// The steps that make a queued file count, in the order they were taken.
std::vector<std::string> durableSteps;
std::map<HANDLE, std::string> openedNames;
decltype(&CreateFileA) originalOpen;
decltype(&FlushFileBuffers) originalFlush;
decltype(&MoveFileA) originalMove;
decltype(&MoveFileExA) originalMoveEx;
decltype(&GetProcAddress) originalLookUp;
decltype(&RegFlushKey) originalRegFlush;
decltype(&RegSetValueExA) originalSetValue;

HANDLE WINAPI recordedOpen(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                           DWORD flags, HANDLE templateFile)
{
    HANDLE file = originalOpen(name, access, share, security, disposition, flags, templateFile);
    openedNames[file] = name;
    return file;
}

BOOL WINAPI recordedFlush(HANDLE file)
{
    durableSteps.push_back(endsWith(openedNames[file], ".new") ? "flush copy" : "flush " + openedNames[file]);
    return originalFlush(file);
}

void recordRename(LPCSTR from, bool writtenThrough)
{
    if (endsWith(from, ".new"))
        durableSteps.push_back(writtenThrough ? "rename copy" : "rename copy, not written through");
}

BOOL WINAPI recordedMove(LPCSTR from, LPCSTR to)
{
    recordRename(from, false);
    return originalMove(from, to);
}

BOOL WINAPI recordedMoveEx(LPCSTR from, LPCSTR to, DWORD flags)
{
    recordRename(from, (flags & MOVEFILE_WRITE_THROUGH) != 0);
    return originalMoveEx(from, to, flags);
}

// MoveFileExA is looked up, not imported.
FARPROC WINAPI recordedLookUp(HMODULE module, LPCSTR name)
{
    FARPROC found = originalLookUp(module, name);
    if (reinterpret_cast<ULONG_PTR>(name) <= 0xFFFF || lstrcmpA(name, "MoveFileExA") != 0)
        return found;
    originalMoveEx = reinterpret_cast<decltype(&MoveFileExA)>(reinterpret_cast<void (*)()>(found));
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&recordedMoveEx));
}

LONG WINAPI recordedSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data, DWORD size)
{
    durableSteps.push_back(std::string("set ") + name);
    return originalSetValue(key, name, reserved, type, data, size);
}

LONG WINAPI recordedRegFlush(HKEY key)
{
    durableSteps.push_back("flush flag");
    return originalRegFlush(key);
}

int WINAPI recordedMessage(HWND, LPCSTR, LPCSTR, UINT)
{
    durableSteps.push_back("message");
    return IDOK;
}

// The installer that carries three databases (tests/support), whose
// resources the installer's code then reads instead of this program's.
HMODULE threeDatabasesModule()
{
    static HMODULE module = LoadLibraryExA(THREE_DATABASES_PLACER, NULL, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

const char EARLIER_DATA[] = "earlier data, already queued";

} // namespace

class PayloadFaultsTest : public InProcessTest {
public:
    std::string staged() const { return queued() + ".new"; }
    std::string earlier() const { return queued() + ".old"; }

protected:
    // Ann, with an application queued by an earlier run whose flag the
    // HotSync Manager has not taken yet (0 here, to tell it from ours).
    void prepare()
    {
        palm_.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann", "AnnDir", 9));
        makeFolder(installFolder());
        writeFileBytes(queued(), EARLIER_COPY);
        palm_.setValue(PilotRoot::PalmComputing, "HotSync Manager", "Install9", REG_DWORD, std::string(4, '\0'));
        writeFileBytes(current_ / "worker.exe", "MZ stand-in");
    }

    std::string installFolder() const { return palm_.installFolder("AnnDir"); }
    std::string queued() const { return installFolder() + "\\kelv.prc"; }
    std::string queuedData() const { return installFolder() + "\\kelvdata.pdb"; }
    std::string queuedClip() const { return installFolder() + "\\KelvClip.pqa"; }
};

TEST_F(PayloadFaultsTest, OnlyTheWholeCarriedApplicationIsQueued)
{
    const struct {
        Fault fault;
        const char *name;
        bool queued;
    } cases[] = {
        {Fault::FIRST_PAYLOAD_WRITE_STOPS, "first payload write stops half-way", true},
        {Fault::EVERY_PAYLOAD_WRITE_STOPS, "every payload write stops half-way", false},
        {Fault::COPY_STOPS, "copy stops half-way", false},
        {Fault::COPY_COMES_BACK_SHORT, "copy comes back short", false},
        {Fault::READ_BACK_STOPS, "read-back stops half-way", false},
        {Fault::PAYLOAD_SWAPPED, "payload swapped before the copy", true},
        {Fault::SWAP_TRIED_BEFORE_COPY, "swap tried while the payload is held", true},
    };
    ImportHook dialog("user32.dll", "DialogBoxParamA", reinterpret_cast<void *>(&answerYes));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        prepare();
        MessageBoxCapture boxes;
        {
            FaultyFiles faults(c.fault, temp_ / "kelv.prc");
            runInstallSequence(NULL);
        }

        ASSERT_EQ(boxes.count(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, c.queued ? queuedMessage("Ann") : failedMessage("Ann"));
        EXPECT_EQ(readFileBytes(queued()), c.queued ? contentBytes("kelvane.prc") : EARLIER_COPY);
        EXPECT_EQ(FakePalmDesktop::installFlag(PilotRoot::PalmComputing, 9), c.queued ? 1u : 0u);
        EXPECT_EQ(filesIn(installFolder()), std::vector<std::string>{"kelv.prc"});
        EXPECT_EQ(filesIn(temp_.path()), std::vector<std::string>{});
        EXPECT_EQ(filesIn(current_.path()), std::vector<std::string>{"license.txt"});
        if (c.fault == Fault::PAYLOAD_SWAPPED) {
            EXPECT_TRUE(swapped);
        }
        if (c.fault == Fault::SWAP_TRIED_BEFORE_COPY) {
            EXPECT_TRUE(swapBlocked);
        }
    }
}

// What a run that was stopped (a crash, a power cut) left in the install
// folder is repaired first: an earlier copy stranded under the earlier name
// comes back, leftovers go, read-only ones too. A flag that cannot be set
// keeps the earlier copy. Only files are ever moved: a folder under one of
// the names stays as it is, and the person is told it failed.
TEST_F(PayloadFaultsTest, InterruptedRunsAreRepairedAndOnlyFilesAreMoved)
{
    enum Before { WITH_EARLIER_COPY, WITHOUT_EARLIER_COPY, WITHOUT_EARLIER_FLAG, STOPPED_BETWEEN_RENAMES,
                  STOPPED_BEFORE_RENAMES, READ_ONLY_EARLIER, FOLDER_QUEUED, FOLDER_STAGED, FOLDER_EARLIER,
                  LONG_BINARY_FLAG, LONG_STRING_FLAG, FOLDER_THIRD, STOPPED_BETWEEN_DATABASES };
    const DWORD NO_FLAG = 0xFFFFFFFF;
    const DWORD AS_IT_WAS = 0xFFFFFFFE;  // the earlier value, type and bytes
    const std::string longBinary("an earlier value of 17+ bytes", 29), longString = std::string(40, 's') + '\0';
    enum Queued { QUEUED_NEW, QUEUED_EARLIER, QUEUED_NOTHING };
    const struct {
        const char *name;
        Before before;
        Fault fault;
        int runs;
        Queued queued;
        DWORD flag;
        // Three databases: earlier copies of kelv.prc and kelvdata.pdb
        // waiting, none of KelvClip.pqa; `queued` is kelv.prc's.
        int databases = 1;
        Queued data = QUEUED_NOTHING;
        Queued clip = QUEUED_NOTHING;
    } cases[] = {
        {"stopped between the renames", STOPPED_BETWEEN_RENAMES, Fault::NONE, 1, QUEUED_NEW, 1},
        {"stopped between the renames, then a full disk", STOPPED_BETWEEN_RENAMES, Fault::COPY_STOPS, 1, QUEUED_EARLIER, 1},
        {"stopped before the renames", STOPPED_BEFORE_RENAMES, Fault::NONE, 1, QUEUED_NEW, 1},
        {"read-only earlier copy, twice", READ_ONLY_EARLIER, Fault::NONE, 2, QUEUED_NEW, 1},
        {"folder as kelv.prc", FOLDER_QUEUED, Fault::NONE, 1, QUEUED_NOTHING, 0},
        {"folder as kelv.prc.new", FOLDER_STAGED, Fault::NONE, 1, QUEUED_EARLIER, 0},
        {"folder as kelv.prc.old", FOLDER_EARLIER, Fault::NONE, 1, QUEUED_EARLIER, 0},
        {"flag refused, earlier copy", WITH_EARLIER_COPY, Fault::FLAG_REFUSED, 1, QUEUED_EARLIER, 0},
        {"flag refused, no earlier copy", WITHOUT_EARLIER_COPY, Fault::FLAG_REFUSED, 1, QUEUED_NEW, 0},
        {"queued name not flushed", WITH_EARLIER_COPY, Fault::NAME_FLUSH_FAILS, 1, QUEUED_EARLIER, 0},
        {"queued name not flushed, the restored one is", WITH_EARLIER_COPY, Fault::FIRST_NAME_FLUSH_FAILS, 1, QUEUED_EARLIER, 0},
        {"restored name not flushed, twice", STOPPED_BETWEEN_RENAMES, Fault::FIRST_NAME_FLUSH_FAILS, 2, QUEUED_EARLIER, 1},
        {"flag not flushed", WITH_EARLIER_COPY, Fault::FLAG_FLUSH_FAILS, 1, QUEUED_EARLIER, 0},
        {"flag not flushed, none before", WITHOUT_EARLIER_FLAG, Fault::FLAG_FLUSH_FAILS, 1, QUEUED_EARLIER, NO_FLAG},
        {"flag not flushed, long binary before", LONG_BINARY_FLAG, Fault::FLAG_FLUSH_FAILS, 1, QUEUED_EARLIER, AS_IT_WAS},
        {"flag not flushed, long string before", LONG_STRING_FLAG, Fault::FLAG_FLUSH_FAILS, 1, QUEUED_EARLIER, AS_IT_WAS},
        {"three databases", WITH_EARLIER_COPY, Fault::NONE, 1, QUEUED_NEW, 1, 3, QUEUED_NEW, QUEUED_NEW},
        {"three, a folder as the third's name", FOLDER_THIRD, Fault::NONE, 1, QUEUED_EARLIER, 0, 3, QUEUED_EARLIER},
        {"three, a folder under the third's name once staged", WITH_EARLIER_COPY, Fault::THIRD_FOLDER_APPEARS, 1,
         QUEUED_EARLIER, 0, 3, QUEUED_EARLIER},
        {"three, a full disk", WITH_EARLIER_COPY, Fault::COPY_STOPS, 1, QUEUED_EARLIER, 0, 3, QUEUED_EARLIER},
        {"three, the flag refused", WITH_EARLIER_COPY, Fault::FLAG_REFUSED, 1, QUEUED_EARLIER, 0, 3, QUEUED_EARLIER},
        {"three, stopped between the renames, then a full disk", STOPPED_BETWEEN_DATABASES, Fault::COPY_STOPS, 1,
         QUEUED_NEW, 0, 3, QUEUED_EARLIER},
        {"three, stopped between the renames", STOPPED_BETWEEN_DATABASES, Fault::NONE, 1, QUEUED_NEW, 1, 3, QUEUED_NEW,
         QUEUED_NEW},
    };
    ImportHook dialog("user32.dll", "DialogBoxParamA", reinterpret_cast<void *>(&answerYes));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        prepare();
        appInstance = c.databases == 3 ? threeDatabasesModule() : GetModuleHandleA(NULL);
        ASSERT_TRUE(appInstance);
        if (c.databases == 3)
            writeFileBytes(queuedData(), EARLIER_DATA);
        std::string folderLeft;
        switch (c.before) {
        case WITHOUT_EARLIER_COPY:
            DeleteFileA(queued().c_str());
            break;
        case WITHOUT_EARLIER_FLAG:
            palm_.deleteValue(PilotRoot::PalmComputing, "HotSync Manager", "Install9");
            break;
        case LONG_BINARY_FLAG:
        case LONG_STRING_FLAG:
            palm_.setValue(PilotRoot::PalmComputing, "HotSync Manager", "Install9",
                           c.before == LONG_BINARY_FLAG ? REG_BINARY : REG_SZ,
                           c.before == LONG_BINARY_FLAG ? longBinary : longString);
            break;
        case STOPPED_BETWEEN_RENAMES:
            MoveFileA(queued().c_str(), earlier().c_str());
            SetFileAttributesA(earlier().c_str(), FILE_ATTRIBUTE_READONLY);
            writeFileBytes(staged(), contentBytes("kelvane.prc"));
            palm_.setValue(PilotRoot::PalmComputing, "HotSync Manager", "Install9", REG_DWORD,
                           std::string("\x01\0\0\0", 4));
            break;
        case STOPPED_BEFORE_RENAMES:
            writeFileBytes(staged(), contentBytes("kelvane.prc").substr(0, 10));
            break;
        case READ_ONLY_EARLIER:
            SetFileAttributesA(queued().c_str(), FILE_ATTRIBUTE_READONLY);
            break;
        case STOPPED_BETWEEN_DATABASES:
            // kelv.prc in place, kelvdata.pdb set aside, KelvClip.pqa staged.
            writeFileBytes(earlier(), EARLIER_COPY);
            writeFileBytes(queued(), contentBytes("kelvane.prc"));
            MoveFileA(queuedData().c_str(), (queuedData() + ".old").c_str());
            writeFileBytes(queuedData() + ".new", threeDatabasesBytes("kelvdata.pdb"));
            writeFileBytes(queuedClip() + ".new", threeDatabasesBytes("KelvClip.pqa"));
            break;
        case FOLDER_QUEUED:
        case FOLDER_STAGED:
        case FOLDER_EARLIER:
        case FOLDER_THIRD:
            folderLeft = c.before == FOLDER_QUEUED ? queued() : c.before == FOLDER_STAGED ? staged()
                         : c.before == FOLDER_EARLIER ? earlier() : queuedClip();
            if (c.before == FOLDER_QUEUED)
                DeleteFileA(queued().c_str());
            makeFolder(folderLeft);
            writeFileBytes(folderLeft + "\\own.txt", "the folder's own file");
            break;
        default:
            break;
        }
        for (int run = 0; run < c.runs; ++run) {
            MessageBoxCapture boxes;
            {
                FaultyFiles faults(c.fault, temp_ / "kelv.prc");
                runInstallSequence(NULL);
            }
            ASSERT_EQ(boxes.count(), 1u);
            EXPECT_EQ(boxes.boxes()[0].text, c.queued == QUEUED_NEW && c.flag ? queuedMessage("Ann") : failedMessage("Ann"));
        }

        if (c.queued == QUEUED_NOTHING) {
            EXPECT_FALSE(fileExists(queued()));
        } else {
            EXPECT_EQ(readFileBytes(queued()), c.queued == QUEUED_NEW ? contentBytes("kelvane.prc") : EARLIER_COPY);
            SetFileAttributesA(queued().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        std::vector<std::string> left = {"kelv.prc"};
        if (c.databases == 3) {
            EXPECT_EQ(fileExists(queuedData()) ? readFileBytes(queuedData()) : "(none)",
                      c.data == QUEUED_NEW ? threeDatabasesBytes("kelvdata.pdb") : EARLIER_DATA);
            EXPECT_EQ(fileExists(queuedClip()), c.clip == QUEUED_NEW);
            if (c.clip == QUEUED_NEW && fileExists(queuedClip())) {
                EXPECT_EQ(readFileBytes(queuedClip()), threeDatabasesBytes("KelvClip.pqa"));
            }
            left = c.clip == QUEUED_NEW ? std::vector<std::string>{"KelvClip.pqa", "kelv.prc", "kelvdata.pdb"}
                                        : std::vector<std::string>{"kelv.prc", "kelvdata.pdb"};
        }
        if (c.fault == Fault::THIRD_FOLDER_APPEARS) {
            // (Never a removal of "", which names the drive's root.)
            EXPECT_FALSE(thirdQueued.empty()) << "the third database was never staged";
            EXPECT_TRUE(!thirdQueued.empty() && folderExists(thirdQueued));
            if (!thirdQueued.empty())
                removeTree(thirdQueued);
        }
        DWORD type = 0;
        std::string flag;
        bool flagged = FakePalmDesktop::readValue(std::string(pilotRootKey(PilotRoot::PalmComputing)) +
                                                      "\\HotSync Manager", "Install9", &type, &flag);
        EXPECT_EQ(c.flag != NO_FLAG, flagged);
        if (c.flag == AS_IT_WAS) {
            EXPECT_EQ(type, c.before == LONG_BINARY_FLAG ? static_cast<DWORD>(REG_BINARY) : static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(flag, c.before == LONG_BINARY_FLAG ? longBinary : longString);
        } else if (c.flag != NO_FLAG) {
            EXPECT_EQ(FakePalmDesktop::installFlag(PilotRoot::PalmComputing, 9), c.flag);
        }
        EXPECT_EQ(filesIn(installFolder()), c.queued == QUEUED_NOTHING ? std::vector<std::string>{} : left);
        if (!folderLeft.empty()) {
            EXPECT_EQ(readFileBytes(folderLeft + "\\own.txt"), "the folder's own file");
            removeTree(folderLeft);
        }
        EXPECT_EQ(filesIn(temp_.path()), std::vector<std::string>{});
        // The copy put back has its name flushed, whatever went before.
        if (c.fault == Fault::FIRST_NAME_FLUSH_FAILS) {
            EXPECT_EQ(nameFlushes, 2);
        }
        removeTree(installFolder());
    }
    appInstance = GetModuleHandleA(NULL);
}

// The new copy reaches the disk before it takes the queued name, which is
// written through and flushed in its turn; the flag comes after that,
// flushed before the person is told. (Wine writes nothing lazily, so the
// order of the calls is what can be seen here.)
TEST_F(PayloadFaultsTest, TheCopyAndTheFlagAreOnTheDiskBeforeThePersonIsTold)
{
    ImportHook dialog("user32.dll", "DialogBoxParamA", reinterpret_cast<void *>(&answerYes));
    prepare();
    durableSteps.clear();
    {
        ImportHook open("kernel32.dll", "CreateFileA", reinterpret_cast<void *>(&recordedOpen));
        ImportHook flush("kernel32.dll", "FlushFileBuffers", reinterpret_cast<void *>(&recordedFlush));
        ImportHook move("kernel32.dll", "MoveFileA", reinterpret_cast<void *>(&recordedMove));
        ImportHook lookUp("kernel32.dll", "GetProcAddress", reinterpret_cast<void *>(&recordedLookUp));
        ImportHook setValue("advapi32.dll", "RegSetValueExA", reinterpret_cast<void *>(&recordedSetValue));
        ImportHook regFlush("advapi32.dll", "RegFlushKey", reinterpret_cast<void *>(&recordedRegFlush));
        ImportHook message("user32.dll", "MessageBoxA", reinterpret_cast<void *>(&recordedMessage));
        originalOpen = reinterpret_cast<decltype(&CreateFileA)>(open.original());
        originalLookUp = reinterpret_cast<decltype(&GetProcAddress)>(lookUp.original());
        originalFlush = reinterpret_cast<decltype(&FlushFileBuffers)>(flush.original());
        originalMove = reinterpret_cast<decltype(&MoveFileA)>(move.original());
        originalSetValue = reinterpret_cast<decltype(&RegSetValueExA)>(setValue.original());
        originalRegFlush = reinterpret_cast<decltype(&RegFlushKey)>(regFlush.original());
        runInstallSequence(NULL);
    }
    EXPECT_EQ(durableSteps, (std::vector<std::string>{"flush copy", "rename copy", "flush " + queued(), "set Install9",
                                                      "flush flag", "message"}));
    EXPECT_EQ(readFileBytes(queued()), contentBytes("kelvane.prc"));
}

namespace {

enum class Deleting { SCANNED, REFUSED };
Deleting deleting;
bool scannerHeld;
decltype(&DeleteFileA) originalDelete;
decltype(&GetProcAddress) originalFind;

DWORD WINAPI finalPathUnknown(HANDLE, LPSTR, DWORD, DWORD)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

// Where a file lies cannot be told: the earlier copy's name goes.
FARPROC WINAPI findWithoutFinalPath(HMODULE module, LPCSTR name)
{
    if (reinterpret_cast<ULONG_PTR>(name) > 0xFFFF && lstrcmpA(name, "GetFinalPathNameByHandleA") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&finalPathUnknown));
    return originalFind(module, name);
}

// A virus scanner opens what is to be deleted under the queued name, as
// such programs do, without letting it be deleted; or the delete fails.
BOOL WINAPI scannedDelete(LPCSTR name)
{
    if (!endsWith(name, "\\kelv.prc"))
        return originalDelete(name);
    if (deleting == Deleting::REFUSED) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    HANDLE scanner = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    scannerHeld = scanner != INVALID_HANDLE_VALUE;
    BOOL deleted = originalDelete(name);
    if (scannerHeld)
        CloseHandle(scanner);
    return deleted;
}

} // namespace

// The name of an earlier copy that goes is never left as an empty file
// that the HotSync Manager, with a flag still pending, would carry: nobody
// can hold that file against its delete, and a delete that fails all the
// same leaves the name empty of any file.
TEST_F(PayloadFaultsTest, AQueuedNameIsNeverLeftAnEmptyFile)
{
    const struct {
        const char *name;
        Deleting deleting;
        bool queued;
    } cases[] = {
        {"a scanner opens it", Deleting::SCANNED, true},
        {"its delete fails", Deleting::REFUSED, false},
    };
    ImportHook dialog("user32.dll", "DialogBoxParamA", reinterpret_cast<void *>(&answerYes));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        prepare();
        palm_.setValue(PilotRoot::PalmComputing, "HotSync Manager", "Install9", REG_DWORD, std::string("\x01\0\0\0", 4));
        deleting = c.deleting;
        scannerHeld = false;
        MessageBoxCapture boxes;
        {
            ImportHook find("kernel32.dll", "GetProcAddress", reinterpret_cast<void *>(&findWithoutFinalPath));
            ImportHook remove("kernel32.dll", "DeleteFileA", reinterpret_cast<void *>(&scannedDelete));
            originalFind = reinterpret_cast<decltype(&GetProcAddress)>(find.original());
            originalDelete = reinterpret_cast<decltype(&DeleteFileA)>(remove.original());
            runInstallSequence(NULL);
        }
        ASSERT_EQ(boxes.count(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, c.queued ? queuedMessage("Ann") : failedMessage("Ann"));
        EXPECT_FALSE(scannerHeld);
        EXPECT_EQ(filesIn(installFolder()), c.queued ? std::vector<std::string>{"kelv.prc"} : std::vector<std::string>{});
        if (c.queued) {
            EXPECT_EQ(readFileBytes(queued()), contentBytes("kelvane.prc"));
        }
    }
}
