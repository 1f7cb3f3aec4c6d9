// The install sequence of the running placer.exe after the licence was
// accepted: which user gets the payload, what is shown, what is cleaned up.
#include "placer_fixture.h"

namespace {

std::string hotSyncKey()
{
    return std::string(pilotRootKey(PilotRoot::USRobotics)) + "\\HotSync Manager";
}

std::vector<std::string> hotSyncValueNames()
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, hotSyncKey().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[256];
    DWORD size = sizeof name;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &size, NULL, NULL, NULL, NULL) == ERROR_SUCCESS; ++i) {
        names.push_back(name);
        size = sizeof name;
    }
    RegCloseKey(key);
    return names;
}

struct PlannedUser {
    const char *name;
    const char *directory;
    short slot;
};

UsersDatBuilder usersOf(const std::vector<PlannedUser> &users)
{
    UsersDatBuilder builder;
    for (const PlannedUser &user : users)
        builder.user(user.name, user.directory, user.slot);
    return builder;
}

const char NO_RECORD[] = "(none)";

} // namespace

class InstallSequenceTest : public PlacerTest {
protected:
    static void writeProductString(const char *value, const std::string &text)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, PRODUCT_KEY_PATH, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL),
                  ERROR_SUCCESS);
        RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
    }

    // A fresh case: these users (with or without their folders), the
    // recorded name or NO_RECORD, a "worker.exe", no payload from before.
    void prepare(const UsersDatBuilder &users, const char *recorded, bool userFolders = true)
    {
        FakePalmDesktop::removeAllKeys();
        palm_.setPath(PilotRoot::USRobotics, palm_.folder());
        palm_.createKey(PilotRoot::USRobotics, "HotSync Manager");
        palm_.writeUsersDat(users);
        for (const PalmUser &user : users.users()) {
            removeTree(palm_.installFolder(user.directory));
            if (userFolders)
                palm_.makeUserFolder(user.directory);
        }
        if (lstrcmpA(recorded, NO_RECORD) != 0)
            writeProductString("Installed User", recorded);
        writeFileBytes(current_ / "worker.exe", "MZ stand-in");
        DeleteFileA(tempPayload().c_str());
    }

    void expectQueuedFor(const PlannedUser &user)
    {
        std::string queued = palm_.installFolder(user.directory) + "\\kelv.prc";
        ASSERT_TRUE(fileExists(queued)) << queued;
        EXPECT_EQ(readFileBytes(queued), contentBytes("kelvane.prc"));
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(FakePalmDesktop::readValue(hotSyncKey(), "Install" + std::to_string(user.slot), &type, &data));
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
        EXPECT_EQ(data, std::string("\x01\x00\x00\x00", 4));
        EXPECT_EQ(hotSyncValueNames().size(), 1u) << "another user was flagged too";
    }

    void expectNothingQueued(const std::vector<PlannedUser> &users)
    {
        for (const PlannedUser &user : users)
            EXPECT_FALSE(folderExists(palm_.installFolder(user.directory))) << user.directory;
        EXPECT_EQ(hotSyncValueNames(), std::vector<std::string>{});
    }

    static void expectOneBox(const std::vector<SeenBox> &boxes, const std::string &text)
    {
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].box.text, text);
        EXPECT_EQ(boxes[0].box.caption, "Kelvane Setup");
        EXPECT_TRUE(isPlainBox(boxes[0].box));
        EXPECT_TRUE(boxes[0].mainWindowHidden);
    }
};

TEST_F(InstallSequenceTest, TheOnlyUserIsQueuedWhateverIsRecorded)
{
    const PlannedUser ann{"Ann", "AnnDir", 4};
    for (const char *recorded : {NO_RECORD, "Somebody Else"}) {
        SCOPED_TRACE(recorded);
        prepare(usersOf({ann}), recorded);

        std::vector<SeenBox> boxes = runAnsweringYes();
        expectOneBox(boxes, queuedMessage("Ann"));
        // The payload waits in the temporary folder until the report is read.
        ASSERT_FALSE(boxes.empty());
        EXPECT_TRUE(boxes[0].payloadInTemp);
        expectExitCodeZero();

        expectQueuedFor(ann);
        expectTempFolderEmpty();
        EXPECT_FALSE(workerPresent());
        expectPersonsLicenseUntouched();
    }
}

TEST_F(InstallSequenceTest, SeveralUsersAreChosenByTheExactRecordedName)
{
    struct Case {
        std::vector<PlannedUser> users;
        const char *recorded;
        size_t chosen;
    } cases[] = {
        {{{"Ann", "A", 1}, {"Bob", "B", 2}, {"Carl", "C", 3}}, "Bob", 1},
        {{{"Same", "S1", 3}, {"Same", "S2", 5}}, "Same", 0},  // the first of two
        {{{"", "E", 7}, {"Eve", "V", 8}}, "Eve", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.recorded);
        prepare(usersOf(c.users), c.recorded);

        expectOneBox(runAnsweringYes(), queuedMessage(c.users[c.chosen].name));
        expectExitCodeZero();

        expectQueuedFor(c.users[c.chosen]);
        for (size_t i = 0; i < c.users.size(); ++i) {
            if (i != c.chosen) {
                EXPECT_FALSE(folderExists(palm_.installFolder(c.users[i].directory)));
            }
        }
        expectTempFolderEmpty();
        EXPECT_FALSE(workerPresent());
    }
}

// No user can be chosen: M4 with the recorded name (empty when none is
// recorded; nobody is guessed), nothing queued, both files stay.
TEST_F(InstallSequenceTest, WithoutAChosenUserNothingIsQueuedAndBothFilesStay)
{
    struct Case {
        UsersDatBuilder users;
        const char *recorded;
        const char *shown;
    } cases[] = {
        {usersOf({{"Ann", "A", 1}, {"Bob", "B", 2}}), "bob", "bob"},
        {usersOf({{"Ann", "A", 1}, {"Bob", "B", 2}}), "Bob ", "Bob "},
        {usersOf({{"Ann", "A", 1}, {"", "E", 2}}), NO_RECORD, ""},
        {usersOf({{"Ann", "A", 1}}).count(-1), "Ann", "Ann"},
        {usersOf({{"Ann", "A", 1}}).count(-1), NO_RECORD, ""},
    };
    for (Case &c : cases) {
        SCOPED_TRACE(c.recorded);
        prepare(c.users, c.recorded);

        expectOneBox(runAnsweringYes(), failedMessage(c.shown));
        expectExitCodeZero();

        expectNothingQueued({{"Ann", "A", 1}, {"Bob", "B", 2}, {"", "E", 2}});
        ASSERT_TRUE(fileExists(tempPayload()));
        EXPECT_EQ(readFileBytes(tempPayload()), contentBytes("kelvane.prc"));
        EXPECT_TRUE(workerPresent());
        expectPersonsLicenseUntouched();
    }
}

TEST_F(InstallSequenceTest, AFailedQueueingNamesTheUserAndCleansUp)
{
    const PlannedUser ann{"Ann", "AnnDir", 1};
    const PlannedUser bob{"Bob", "BobDir", 2};
    const PlannedUser nobody{"", "", 0};  // what a record read past the end holds
    struct Case {
        UsersDatBuilder users;
        const char *recorded;
        const char *shown;
    } cases[] = {
        {usersOf({ann}), NO_RECORD, "Ann"},
        {usersOf({ann, bob}), "Bob", "Bob"},
        // Cut right after the header, which counts one user: nobody's record.
        {UsersDatBuilder().count(1), NO_RECORD, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.shown);
        prepare(c.users, c.recorded, false);  // users.dat names them; no folders

        expectOneBox(runAnsweringYes(), failedMessage(c.shown));
        expectExitCodeZero();

        expectNothingQueued({ann, bob, nobody});
        expectTempFolderEmpty();
        EXPECT_FALSE(workerPresent());
    }
}

TEST_F(InstallSequenceTest, UserDatabaseProblemsEndBeforeThePayloadIsWritten)
{
    const std::string readerMessage =
        "Error - Could not open users.dat file. Setup is now terminating.\n\n"
        "Please send email to support@kelvane.example to report this problem.";
    struct Case {
        bool usersDatPresent;
        std::vector<std::string> texts;
    } cases[] = {
        {false, {readerMessage, "Error during lookup of PalmPilot users.\nKelvane setup terminating."}},
        {true, {"There are no PalmPilot users on this system.\nKelvane Setup terminating."}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.texts.back());
        prepare(UsersDatBuilder(), NO_RECORD);
        if (!c.usersDatPresent)
            DeleteFileA((palm_.folder() + "\\users.dat").c_str());

        std::vector<SeenBox> boxes = runAnsweringYes();
        expectExitCodeZero();
        ASSERT_EQ(boxes.size(), c.texts.size());
        for (size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i].box.text, c.texts[i]);
            EXPECT_FALSE(boxes[i].payloadInTemp);
            EXPECT_TRUE(boxes[i].mainWindowHidden);
        }
        EXPECT_TRUE(boxes.front().box.hasIcon == !c.usersDatPresent) << "only the reader's box has an icon";
        EXPECT_EQ(boxes.back().box.caption, "Kelvane - Setup");
        EXPECT_TRUE(isPlainBox(boxes.back().box));

        expectTempFolderEmpty();
        EXPECT_FALSE(workerPresent());
        expectPersonsLicenseUntouched();
    }
}
