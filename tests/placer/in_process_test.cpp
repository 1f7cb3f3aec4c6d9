// The install sequence and the licence text inside the test program, which
// links the installer's code and carries its resources. Hooks make calls
// fail that never fail by themselves: the temporary folder, the unique file
// name, the dialog's answer.
#include "app_instance.h"
#include "fake_palm_desktop.h"
#include "import_hook.h"
#include "install_sequence.h"
#include "license_dialog.h"
#include "message_box_capture.h"
#include "in_process_fixture.h"
#include "placer_fixture.h"

#include <gtest/gtest.h>

namespace {

INT_PTR dialogAnswer = IDYES;
LPCSTR dialogTemplateAsked = NULL;
HWND dialogOwnerGiven = NULL;

INT_PTR WINAPI answeringDialogBox(HINSTANCE, LPCSTR name, HWND owner, DLGPROC, LPARAM)
{
    dialogTemplateAsked = name;
    dialogOwnerGiven = owner;
    return dialogAnswer;
}

DWORD WINAPI failingGetTempPath(DWORD, LPSTR)
{
    return 0;
}

UINT WINAPI failingGetTempFileName(LPCSTR, LPCSTR, UINT, LPSTR)
{
    return 0;
}

// The folders that the code under test makes its files in.
std::vector<std::string> uniqueNameFolders;
ImportHook *uniqueNameHook = nullptr;

UINT WINAPI recordingGetTempFileName(LPCSTR folder, LPCSTR prefix, UINT unique, LPSTR name)
{
    uniqueNameFolders.push_back(folder);
    return reinterpret_cast<decltype(&GetTempFileNameA)>(uniqueNameHook->original())(folder, prefix, unique, name);
}

// Just before the written text is read back (the rewind), someone tries
// to write another text into the one file in the folder.
std::string swapFolder;
bool swapBlocked;
ImportHook *rewindHook = nullptr;

DWORD WINAPI swappingSetFilePointer(HANDLE file, LONG distance, PLONG high, DWORD method)
{
    std::vector<std::string> files = filesIn(swapFolder);
    HANDLE other = files.size() == 1 ? CreateFileA((swapFolder + "\\" + files[0]).c_str(), GENERIC_WRITE,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL)
                                     : INVALID_HANDLE_VALUE;
    swapBlocked = files.size() == 1 && other == INVALID_HANDLE_VALUE;
    if (other != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(other, "another text", 12, &written, NULL);
        CloseHandle(other);
    }
    return reinterpret_cast<decltype(&SetFilePointer)>(rewindHook->original())(file, distance, high, method);
}

std::vector<std::string> deletedFiles;
ImportHook *deleteHook = nullptr;

BOOL WINAPI recordingDeleteFile(LPCSTR name)
{
    deletedFiles.push_back(name);
    return reinterpret_cast<BOOL(WINAPI *)(LPCSTR)>(deleteHook->original())(name);
}

// Records every file deletion of the code under test while it lives.
class DeleteRecorder {
public:
    DeleteRecorder() : hook_("kernel32.dll", "DeleteFileA", reinterpret_cast<void *>(&recordingDeleteFile))
    {
        deletedFiles.clear();
        deleteHook = &hook_;
    }
    ~DeleteRecorder() { deleteHook = nullptr; }

private:
    ImportHook hook_;
};

// A folder that exists and that no file can be made in, not even by root:
// Linux's /proc, seen through Wine's drive Z:.
const char FOLDER_TAKING_NO_FILE[] = "Z:\\proc";

// TMP and TEMP name that folder while it lives.
class TempFolderTakingNoFile {
public:
    TempFolderTakingNoFile() : tmp_("TMP", FOLDER_TAKING_NO_FILE), temp_("TEMP", FOLDER_TAKING_NO_FILE) {}

private:
    ScopedEnvironment tmp_;
    ScopedEnvironment temp_;
};

std::string windowText(HWND window)
{
    char text[16384];
    int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? length : 0);
}

bool startsWithFolder(const std::string &path, const std::string &folder)
{
    return path.size() > folder.size() && lstrcmpiA(path.substr(0, folder.size()).c_str(), folder.c_str()) == 0 &&
           path[folder.size()] == '\\';
}

} // namespace

TEST_F(InProcessTest, AnyAnswerButYesEndsWithM1AndDeletesNothing)
{
    // No Pilot Desktop at all: a sequence that went on would show the
    // database reader's message as well.
    ImportHook dialog("user32.dll", "DialogBoxParamA", reinterpret_cast<void *>(&answeringDialogBox));
    HWND owner = reinterpret_cast<HWND>(0x1234);
    for (INT_PTR answer : {INT_PTR(IDNO), INT_PTR(-1), INT_PTR(IDCANCEL), INT_PTR(0)}) {
        SCOPED_TRACE(answer);
        dialogAnswer = answer;
        MessageBoxCapture boxes;
        DeleteRecorder deletions;
        runInstallSequence(owner);

        EXPECT_EQ(dialogTemplateAsked, MAKEINTRESOURCEA(113));
        EXPECT_EQ(dialogOwnerGiven, owner);
        ASSERT_EQ(boxes.count(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, NOT_INSTALLED_MESSAGE);
        EXPECT_EQ(boxes.boxes()[0].caption, "Kelvane Setup");
        EXPECT_EQ(boxes.boxes()[0].style, static_cast<UINT>(MB_OK));
        EXPECT_EQ(deletedFiles, std::vector<std::string>{});
        EXPECT_TRUE(fileExists(current_ / "worker.exe"));
        EXPECT_EQ(filesIn(temp_.path()), std::vector<std::string>{});
    }
}

TEST_F(InProcessTest, WithoutATemporaryFolderThePayloadPassesThroughTheCurrentFolder)
{
    ImportHook dialog("user32.dll", "DialogBoxParamA", reinterpret_cast<void *>(&answeringDialogBox));
    // A temporary folder whose ANSI name holds a '?' for each letter (a
    // Cyrillic name on a Western Windows) is passed over before any file
    // function sees it: Windows forms a name in it without looking at it.
    enum Failure { NO_TEMP_FOLDER, TEMP_FOLDER_TAKES_NO_FILE, TEMP_FOLDER_NAME_LOST };
    for (Failure failure : {NO_TEMP_FOLDER, TEMP_FOLDER_TAKES_NO_FILE, TEMP_FOLDER_NAME_LOST}) {
        SCOPED_TRACE(failure);
        palm_.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann", "AnnDir", 9));
        writeFileBytes(current_ / "worker.exe", "MZ stand-in");
        std::unique_ptr<ImportHook> noTemp;
        std::unique_ptr<TempFolderTakingNoFile> takesNoFile;
        std::unique_ptr<ScopedEnvironment> tmp, temp;
        std::wstring cyrillic = widened(temp_.path()) + L"\\\x0412\x0440\x0435\x043c\x044f";
        if (failure == NO_TEMP_FOLDER)
            noTemp.reset(new ImportHook("kernel32.dll", "GetTempPathA", reinterpret_cast<void *>(&failingGetTempPath)));
        else if (failure == TEMP_FOLDER_TAKES_NO_FILE)
            takesNoFile.reset(new TempFolderTakingNoFile);
        else {
            ASSERT_TRUE(CreateDirectoryW(cyrillic.c_str(), NULL));
            tmp.reset(new ScopedEnvironment("TMP", cyrillic));
            temp.reset(new ScopedEnvironment("TEMP", cyrillic));
        }
        ImportHook uniqueName("kernel32.dll", "GetTempFileNameA", reinterpret_cast<void *>(&recordingGetTempFileName));
        uniqueNameHook = &uniqueName;
        uniqueNameFolders.clear();
        dialogAnswer = IDYES;
        MessageBoxCapture boxes;
        DeleteRecorder deletions;
        runInstallSequence(NULL);

        ASSERT_EQ(boxes.count(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, queuedMessage("Ann"));
        EXPECT_EQ(readFileBytes(palm_.installFolder("AnnDir") + "\\kelv.prc"), contentBytes("kelvane.prc"));
        // (What the queue tidies in the install folder is its own business.)
        std::vector<std::string> deletedHere;
        for (const std::string &deleted : deletedFiles) {
            if (!startsWithFolder(deleted, palm_.folder()))
                deletedHere.push_back(deleted);
        }
        ASSERT_EQ(deletedHere.size(), 2u);
        // Named relative to the current folder, whose ANSI name may not hold.
        EXPECT_EQ(deletedHere[0], ".\\kelv.prc");
        EXPECT_EQ(deletedHere[1], "worker.exe");
        EXPECT_EQ(filesIn(current_.path()), std::vector<std::string>{"license.txt"});
        for (const std::string &folder : uniqueNameFolders)
            EXPECT_EQ(std::string::npos, folder.find('?')) << folder;
        removeTree(palm_.installFolder("AnnDir"));
        if (failure == TEMP_FOLDER_NAME_LOST)
            RemoveDirectoryW(cyrillic.c_str());
    }
}

// The agreement text reaches the control through a new file of a unique
// name, never through the person's own "license.txt", and the file goes.
// Another user of a shared temporary folder who tries to put another text
// in it between the write and the read-back finds it held.
TEST_F(InProcessTest, TheAgreementTextPassesThroughAFileOfItsOwn)
{
    enum Failure { NONE, NO_TEMP_FOLDER, NO_UNIQUE_NAME, TEMP_FOLDER_TAKES_NO_FILE, SWAP_TRIED };
    for (Failure failure : {NONE, NO_TEMP_FOLDER, NO_UNIQUE_NAME, TEMP_FOLDER_TAKES_NO_FILE, SWAP_TRIED}) {
        SCOPED_TRACE(failure);
        std::unique_ptr<TempFolderTakingNoFile> takesNoFile;
        if (failure == TEMP_FOLDER_TAKES_NO_FILE)
            takesNoFile.reset(new TempFolderTakingNoFile);
        std::unique_ptr<ImportHook> hook;
        if (failure == NO_TEMP_FOLDER)
            hook.reset(new ImportHook("kernel32.dll", "GetTempPathA", reinterpret_cast<void *>(&failingGetTempPath)));
        if (failure == NO_UNIQUE_NAME)
            hook.reset(new ImportHook("kernel32.dll", "GetTempFileNameA",
                                      reinterpret_cast<void *>(&failingGetTempFileName)));
        if (failure == SWAP_TRIED) {
            swapFolder = temp_.path();
            swapBlocked = false;
            hook.reset(
                new ImportHook("kernel32.dll", "SetFilePointer", reinterpret_cast<void *>(&swappingSetFilePointer)));
            rewindHook = hook.get();
        }
        HWND control = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
        ASSERT_TRUE(control);
        DeleteRecorder deletions;
        loadLicenseText(control);
        std::string shown = windowText(control);
        DestroyWindow(control);

        if (failure == NO_UNIQUE_NAME) {
            EXPECT_EQ(shown, "");
            EXPECT_EQ(deletedFiles, std::vector<std::string>{});
        } else {
            EXPECT_EQ(shown, contentBytes("license.txt"));
            // A folder that takes no file leaves no name behind to delete:
            // only the file read back goes.
            ASSERT_EQ(deletedFiles.size(), 1u);
            std::string folder = failure == NONE || failure == SWAP_TRIED ? temp_.path() : std::string(".");
            EXPECT_TRUE(startsWithFolder(deletedFiles.back(), folder)) << deletedFiles.back();
            for (const std::string &deleted : deletedFiles)
                EXPECT_FALSE(fileExists(deleted)) << deleted;
        }
        if (failure == SWAP_TRIED) {
            EXPECT_TRUE(swapBlocked);
        }
        EXPECT_EQ(filesIn(temp_.path()), std::vector<std::string>{});
        EXPECT_EQ(filesIn(current_.path()), (std::vector<std::string>{"license.txt", "worker.exe"}));
        EXPECT_EQ(readFileBytes(current_ / "license.txt"), PERSONS_LICENSE_TEXT);
    }
}
