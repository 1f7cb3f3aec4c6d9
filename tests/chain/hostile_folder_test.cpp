// The chain run from a download folder that holds anybody's files.
#include "chain_run.h"
#include "planted_libraries.h"
#include "start_log.h"
#include "unix_links.h"
#include "wine_app_defaults.h"

#include <memory>

namespace {

// A path of any length, for the wide functions.
std::wstring longPath(const std::string &path)
{
    return L"\\\\?\\" + widened(path);
}

// A file three folders of 200 letters deep below the folder: its path is
// longer than any buffer of MAX_PATH.
std::string writeDeepFile(const std::string &folder, const std::string &bytes)
{
    std::string path = folder;
    for (char letter : {'a', 'b', 'c'}) {
        path += "\\" + std::string(200, letter);
        CreateDirectoryW(longPath(path).c_str(), NULL);
    }
    path += "\\victim";
    HANDLE file = CreateFileW(longPath(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
    CloseHandle(file);
    return path;
}

std::string readLongFile(const std::string &path)
{
    HANDLE file = CreateFileW(longPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "(no file)";
    char bytes[256];
    DWORD read = 0;
    ReadFile(file, bytes, sizeof bytes, &read, NULL);
    CloseHandle(file);
    return std::string(bytes, read);
}

} // namespace

// setup.exe saved into a download folder that holds anybody's files, and
// run from there: placer.exe and worker.exe are written there and run from
// there too. Nothing in that folder runs but what the setup wrote.
class ChainInHostileFolder : public ChainRun {
protected:
    void startSavedCopy()
    {
        std::string saved = work / "setup.exe";
        ASSERT_TRUE(CopyFileA((programFolder() + "\\setup.exe").c_str(), saved.c_str(), FALSE));
        startIn(work.path(), "", saved);
    }
};

// Copies of system DLLs planted beside the programs, and Wine told to take
// a DLL file found along the search path first, as Windows does. Both
// dialogs are shown, so the worker's and the installer's libraries load.
// MSIMG32.DLL is not planted: it comes through a delayed import, whose
// resolver in Wine 8 ignores the restricted search, so Wine cannot show
// what Windows does with it.
TEST_F(ChainInHostileFolder, PlantedLibrariesNeverRun)
{
    plantLibraries(work.path());
    ProgramDllOverrides nativeFirst(CHAIN_PROGRAMS, plantableLibraries(), NATIVE_FIRST);
    desktop.install(PilotRoot::PalmComputing,
                    UsersDatBuilder().user("Ann Smith", "SmithA", 1).user("Bob Jones", "JonesB", 2));
    startSavedCopy();
    chooseUser(1);
    answerLicense(IDYES);
    expectMessage(queuedMessage("Bob Jones"), "Kelvane Setup");
    ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));

    expectQueuedFor("JonesB");
    EXPECT_EQ(std::vector<std::string>{}, plantedLibrariesThatRan(work.path()));
}

// Somebody else's program in the same Windows tries to put itself in the
// place of a program the setup wrote: placer.exe while the person chooses
// a user, worker.exe from before the launcher writes it. It never runs:
// either its attempts fail and the chain goes on, or the chain says it
// could not start the program.
TEST_F(ChainInHostileFolder, SwappedProgramsNeverRun)
{
    const std::string attacker = programFolder() + "\\attacker.exe";
    const struct {
        const char *target;
        bool duringDialog;  // else from before the launcher starts
        const char *attackMilliseconds;
    } cases[] = {{"placer.exe", true, "1500"}, {"worker.exe", false, "8000"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.target);
        const char *target = c.target;
        bool duringDialog = c.duringDialog;
        TempFolder folder("dl");
        std::string saved = folder / "setup.exe";
        ASSERT_TRUE(CopyFileA((programFolder() + "\\setup.exe").c_str(), saved.c_str(), FALSE));
        UsersDatBuilder users = UsersDatBuilder().user("Ann Smith", "SmithA", 1);
        if (duringDialog)
            users.user("Bob Jones", "JonesB", 2);
        desktop.install(PilotRoot::PalmComputing, users);
        std::string attackLine = std::string("attacker.exe --attack ") + c.attackMilliseconds + " " + (folder / target);

        std::unique_ptr<ChildProcess> attack;
        if (!duringDialog)
            attack.reset(new ChildProcess(attacker, attackLine, folder.path()));
        ChildProcess setup(saved, "setup.exe", folder.path());
        HWND window = chain.nextDialog();
        ASSERT_TRUE(window) << "no dialog";
        if (duringDialog) {
            attack.reset(new ChildProcess(attacker, attackLine, folder.path()));
            DWORD exitCode = 1;
            ASSERT_TRUE(attack->waitForExit(&exitCode));
            StartRecord succeeded = readStartLog(folder / (std::string(target) + ".attack")).at(0);
            EXPECT_EQ((StartRecord{{"overwrite", "0"}, {"delete", "0"}, {"rename", "0"}}), succeeded);
            SendMessageA(GetDlgItem(window, USER_LIST_ID), LB_SETCURSEL, 1, 0);
            pressButton(window, IDOK);
            window = chain.nextDialog();
            ASSERT_TRUE(window) << "no licence dialog";
        }
        WindowView view = viewWindow(window);
        if (view.isMessageBox()) {
            EXPECT_EQ(0u, view.messageText().find(std::string("Could not start ") + target + " - error: "))
                << view.messageText();
            pressButton(window, IDOK);
        } else {
            EXPECT_EQ(LICENSE_CAPTION, view.caption);
            pressButton(window, IDYES);
            expectMessage(queuedMessage(duringDialog ? "Bob Jones" : "Ann Smith"), "Kelvane Setup");
        }
        DWORD exitCode = 1;
        EXPECT_TRUE(setup.waitForExit(&exitCode));
        EXPECT_TRUE(attack->waitForExit(&exitCode));
        ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));
        EXPECT_FALSE(fileExists(folder / "attacker.ran")) << "the attacker's program ran";
    }
}

// Links planted under every name the setup writes, each to a file of its
// own outside: placer.exe and worker.exe in the download folder, kelv.prc
// in the temporary folder, and the names the copy uses in the install
// folder. Each name is replaced, never written through; the other files
// keep their bytes and names, and the queued file is a file of its own.
TEST_F(ChainInHostileFolder, PlantedLinksAreReplacedNeverWrittenThrough)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    for (LinkKind kind : {LinkKind::HARD, LinkKind::SYMBOLIC}) {
        SCOPED_TRACE(kind == LinkKind::HARD ? "hard links" : "symbolic links");
        TempFolder folder("dl"), others("other");
        desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 3));
        std::string install = desktop.installFolder("SmithA");
        makeFolder(install);
        const std::vector<std::string> names = {folder / "placer.exe", folder / "worker.exe",
                                                std::string(temp) + "kelv.prc", install + "\\kelv.prc.new",
                                                install + "\\kelv.prc.old"};
        for (size_t i = 0; i < names.size(); ++i) {
            writeFileBytes(others / std::to_string(i), "somebody else's file " + std::to_string(i));
            plantLink(kind, others / std::to_string(i), names[i]);
        }
        std::string saved = folder / "setup.exe";
        ASSERT_TRUE(CopyFileA((programFolder() + "\\setup.exe").c_str(), saved.c_str(), FALSE));
        startIn(folder.path(), "", saved);
        answerLicense(IDYES);
        expectMessage(queuedMessage("Ann Smith"), "Kelvane Setup");
        ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));

        for (size_t i = 0; i < names.size(); ++i)
            EXPECT_EQ("somebody else's file " + std::to_string(i), readFileBytes(others / std::to_string(i))) << i;
        expectQueuedFor("SmithA");
        EXPECT_EQ(1u, linkCount(install + "\\kelv.prc"));
        EXPECT_EQ(std::vector<std::string>{"kelv.prc"}, filesIn(install));
        EXPECT_EQ(1u, linkCount(folder / "placer.exe"));
        EXPECT_TRUE(readFileBytes(folder / "placer.exe") == readFileBytes(programFolder() + "\\placer.exe"));
        for (const std::string &name : names)
            removeNameOnly(name);
    }
}

// Links planted, each to a file of its own elsewhere, under a name that
// the chain removes or moves: worker.exe once the worker has ended,
// placer.exe while the person chooses a user (and then cancels), and the
// names the copy uses in the install folder, one of them a link to
// nothing, others to a file whose path no buffer of MAX_PATH holds, so that
// where it lies cannot be told. Only the names go; the other files keep
// their bytes and stay where they are, and the chain ends as it would
// without the link.
TEST_F(ChainInHostileFolder, NothingOutsideIsRemovedOrMovedThroughALink)
{
    enum When { BEFORE_THE_RUN, AT_THE_USER_DIALOG, AT_THE_LICENCE_DIALOG };
    const struct {
        const char *name;
        bool inInstallFolder;  // else in the download folder
        When planted;
        bool dangling;
        bool deep;
    } cases[] = {
        {"kelv.prc.old", true, BEFORE_THE_RUN, false, true},
        {"kelv.prc", true, BEFORE_THE_RUN, false, true},
        {"worker.exe", false, AT_THE_LICENCE_DIALOG, false, false},
        {"placer.exe", false, AT_THE_USER_DIALOG, false, false},
        {"kelv.prc.old", true, BEFORE_THE_RUN, false, false},
        {"kelv.prc", true, BEFORE_THE_RUN, false, false},
        {"kelv.prc.new", true, BEFORE_THE_RUN, true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder("dl"), others("other");
        UsersDatBuilder users = UsersDatBuilder().user("Ann Smith", "SmithA", 3);
        if (c.planted == AT_THE_USER_DIALOG)
            users.user("Bob Jones", "JonesB", 4);
        desktop.install(PilotRoot::PalmComputing, users);
        std::string install = desktop.installFolder("SmithA");
        makeFolder(install);
        std::string link = c.inInstallFolder ? install + "\\" + c.name : folder / c.name;
        std::string victim = others / "victim";
        if (c.deep) {
            victim = writeDeepFile(others.path(), "somebody else's file");
            ASSERT_EQ("somebody else's file", readLongFile(victim));
        } else {
            writeFileBytes(victim, "somebody else's file");
        }
        // A link to nothing: made to a file that then goes.
        auto plant = [&] {
            if (c.dangling)
                writeFileBytes(others / "gone", "");
            plantLink(LinkKind::SYMBOLIC, c.dangling ? others / "gone" : victim, link);
            DeleteFileA((others / "gone").c_str());
        };
        if (c.planted == BEFORE_THE_RUN)
            plant();

        std::string saved = folder / "setup.exe";
        ASSERT_TRUE(CopyFileA((programFolder() + "\\setup.exe").c_str(), saved.c_str(), FALSE));
        startIn(folder.path(), "", saved);
        WindowView dialog = expectDialog(c.planted == AT_THE_USER_DIALOG ? USER_DIALOG_CAPTION : LICENSE_CAPTION);
        ASSERT_TRUE(dialog.window);
        if (c.planted != BEFORE_THE_RUN) {
            removeNameOnly(link);
            plant();
        }
        pressButton(dialog.window, c.planted == AT_THE_USER_DIALOG ? IDCANCEL : IDYES);
        if (c.planted != AT_THE_USER_DIALOG)
            expectMessage(queuedMessage("Ann Smith"), "Kelvane Setup");
        ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));

        EXPECT_EQ("somebody else's file", readLongFile(victim));
        EXPECT_EQ(c.deep ? std::vector<std::string>{} : std::vector<std::string>{"victim"}, filesIn(others.path()));
        if (c.planted != AT_THE_USER_DIALOG) {
            expectQueuedFor("SmithA");
            EXPECT_EQ(1u, linkCount(install + "\\kelv.prc"));
            EXPECT_EQ(std::vector<std::string>{"kelv.prc"}, filesIn(install));
        }
        removeNameOnly(link);
        removeTree(install);
        removeTree(longPath(others.path()));
    }
}

// setup.exe saved into a download folder whose name the system's code page
// cannot hold (Cyrillic on a Western Windows), and run from there, once
// with a temporary folder of such a name too. The programs are ANSI
// programs: such a name reaches them with a '?' for each letter. The
// chain runs through and queues the application all the same.
TEST_F(ChainInHostileFolder, RunsFromAFolderWhoseNameTheCodePageCannotHold)
{
    const wchar_t DOWNLOADS[] = L"\x0417\x0430\x0433\x0440\x0443\x0437\x043a\x0438";  // "Zagruzki"
    const wchar_t TEMPORARY[] = L"\x0412\x0440\x0435\x043c\x0435\x043d\x043d\x044b\x0435";  // "Vremennye"
    BOOL lost = FALSE;
    char ansi[64];
    WideCharToMultiByte(CP_ACP, 0, DOWNLOADS, -1, ansi, sizeof ansi, NULL, &lost);
    ASSERT_TRUE(lost) << "this Windows's code page holds the name: the test would show nothing";

    for (bool temporaryToo : {false, true}) {
        SCOPED_TRACE(temporaryToo ? "temporary folder too" : "download folder");
        desktop.install(PilotRoot::PalmComputing, UsersDatBuilder().user("Ann Smith", "SmithA", 3));
        std::wstring folder = widened(work.path()) + L"\\" + DOWNLOADS;
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), NULL));
        std::wstring saved = folder + L"\\setup.exe";
        ASSERT_TRUE(CopyFileW(widened(programFolder() + "\\setup.exe").c_str(), saved.c_str(), FALSE));
        std::wstring temporary = folder + L"\\" + TEMPORARY;
        ASSERT_TRUE(CreateDirectoryW(temporary.c_str(), NULL));
        std::unique_ptr<ScopedEnvironment> tmp, temp;
        if (temporaryToo) {
            tmp.reset(new ScopedEnvironment("TMP", temporary));
            temp.reset(new ScopedEnvironment("TEMP", temporary));
        }

        {
            ChildProcess setup(saved, L"setup.exe", folder);
            DWORD exitCode = 1;
            EXPECT_TRUE(setup.waitForExit(&exitCode));
        }
        answerLicense(IDYES);
        expectMessage(queuedMessage("Ann Smith"), "Kelvane Setup");
        ASSERT_TRUE(waitUntilGone(CHAIN_PROGRAMS));
        expectQueuedFor("SmithA");
        removeTree(folder);
    }
}
