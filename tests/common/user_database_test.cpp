// The reader of users.dat, on files made by the test's own builder.
#include "fake_palm_desktop.h"
#include "lcreg.h"
#include "message_box_capture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const char NOT_OPENED_TEXT[] =
    "Error - Could not open users.dat file. Setup is now terminating.\n\n"
    "Please send email to support@kelvane.example to report this problem.";
const char NO_PILOT_TEXT[] =
    "Error - Could not find Pilot path. Pilot desktop software does not\n"
    "appear to be installed. Please install Pilot desktop software and\n"
    "run Kelvane setup again. Setup is now terminating.\n\n"
    "If you have questions please send email to support@kelvane.example.";
const char SCAN_ERROR_TEXT[] = "readUntilEndOfRecord() - Error";

PalmUser userWithRest(const std::string &name, short slot, const std::string &rest, unsigned char flags = 0)
{
    PalmUser user;
    user.name = name;
    user.directory = name + "Dir";
    user.slot = slot;
    user.flags = flags;
    user.rest = rest;
    return user;
}

// Rest-of-record data of n bytes that holds no end mark.
std::string filler(size_t n)
{
    return std::string(n, 'r');
}

} // namespace

class UserDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(&table, 0xee, sizeof table);
        table.count = 12345;
        desktop.setPath(PilotRoot::USRobotics, desktop.folder());
    }

    int read() { return readUserDatabase(table.records, MAX_PALM_USERS, &table.count); }
    int readBytes(const std::string &bytes)
    {
        desktop.writeUsersDatBytes(bytes);
        return read();
    }
    int countOf(const char *text) const
    {
        int n = 0;
        for (const CapturedBox &box : boxes.boxes())
            n += box.text == text;
        return n;
    }

    FakePalmDesktop desktop;
    MessageBoxCapture boxes;
    UserTable table;
};

TEST_F(UserDatabaseTest, ReadsNameDirectorySlotAndFlagsInFileOrder)
{
    PalmUser last = userWithRest("Zed", -7, typicalRecordRest(), 0xfe);
    ASSERT_EQ(1, readBytes(UsersDatBuilder().user("Ann Smith", "SmithA", 3).user("", "", 0).user(last).bytes()));
    ASSERT_EQ(3, table.count);
    EXPECT_STREQ("Ann Smith", table.records[0].name);
    EXPECT_STREQ("SmithA", table.records[0].directory);
    EXPECT_EQ(3, table.records[0].slot);
    EXPECT_STREQ("", table.records[1].name);
    EXPECT_STREQ("", table.records[1].directory);
    EXPECT_STREQ("Zed", table.records[2].name);
    EXPECT_EQ(-7, table.records[2].slot);
    EXPECT_EQ(0xfe, table.records[2].flags);
    // The last record runs to the end of the file: no message for that.
    EXPECT_EQ(0u, boxes.count());
}

TEST_F(UserDatabaseTest, CountWordIsSignedAndNeverExceedsTheTable)
{
    ASSERT_EQ(1, readBytes(UsersDatBuilder().bytes()));
    EXPECT_EQ(0, table.count);
    EXPECT_EQ(0u, boxes.count());

    ASSERT_EQ(1, readBytes(UsersDatBuilder().count(-1).user("A", "A", 1).bytes()));
    EXPECT_EQ(-1, table.count);
    EXPECT_EQ(static_cast<char>(0xee), table.records[0].name[0]);  // nothing read

    UsersDatBuilder many;
    for (int i = 0; i < 150; ++i)
        many.user("User" + std::to_string(i), "U" + std::to_string(i), static_cast<short>(i));
    struct {
        UserTable table;
        unsigned char guard[512];
    } guarded;
    std::memset(&guarded, 0xee, sizeof guarded);
    desktop.writeUsersDat(many);
    ASSERT_EQ(1, readUserDatabase(guarded.table.records, MAX_PALM_USERS, &guarded.table.count));
    EXPECT_EQ(MAX_PALM_USERS, guarded.table.count);
    EXPECT_STREQ("User99", guarded.table.records[99].name);
    for (unsigned char byte : guarded.guard)
        ASSERT_EQ(0xee, byte);
}

TEST_F(UserDatabaseTest, ClassNameMustBeExactlyCUser)
{
    for (const char *name : {"cuser", "CUsers", ""}) {
        boxes.clear();
        ASSERT_EQ(1, readBytes(UsersDatBuilder().className(name).user("A", "DirA", 1).user("B", "DirB", 2).bytes()));
        ASSERT_EQ(1u, boxes.count()) << name;
        EXPECT_EQ("Expecting CUser", boxes.boxes()[0].text);
        EXPECT_EQ("Error", boxes.boxes()[0].caption);
        EXPECT_TRUE(isPlainBox(boxes.boxes()[0]));
        EXPECT_EQ(2, table.count);
        EXPECT_STREQ("DirB", table.records[1].directory);
    }
}

TEST_F(UserDatabaseTest, EndMarkScanStopsAtTheLimitOfOneHundredTwentyEightBytes)
{
    // rest length, messages, the second record's slot as read
    const struct {
        size_t rest;
        int messages;
        short secondSlot;
    } cases[] = {
        {0, 0, 5},
        {125, 0, 5},  // 127 bytes scanned
        {126, 1, 5},  // the 128th byte completes the mark: message, right place
        {127, 1, static_cast<short>(0x0580)},  // stops on the 01; 80 becomes the slot's low byte
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "rest of " << c.rest);
        boxes.clear();
        ASSERT_EQ(1, readBytes(UsersDatBuilder().user(userWithRest("A", 1, filler(c.rest))).user("Bea", "B", 5).bytes()));
        EXPECT_EQ(c.messages, countOf(SCAN_ERROR_TEXT));
        EXPECT_EQ(static_cast<size_t>(c.messages), boxes.count());
        EXPECT_EQ(c.secondSlot, table.records[1].slot);
        if (c.messages == 0) {
            EXPECT_STREQ("Bea", table.records[1].name);
        }
    }
    const CapturedBox &box = boxes.boxes()[0];
    EXPECT_EQ("Kelvane", box.caption);
    EXPECT_TRUE(isPlainBox(box));
}

TEST_F(UserDatabaseTest, EndMarkIsFoundWhereverItStands)
{
    // The flags byte 01 and a first scanned byte 80 are no end mark.
    PalmUser flagged = userWithRest("A", 1, std::string("\x80rest", 5), 0x01);
    ASSERT_EQ(1, readBytes(UsersDatBuilder().user(flagged).user("Bea", "B", 2).bytes()));
    EXPECT_EQ(1, table.records[0].flags);
    EXPECT_STREQ("Bea", table.records[1].name);

    // 01 80 inside a record ends it there: what follows is read as the next record.
    std::string ghost = UsersDatBuilder().user("Ghost", "G", 9).bytes().substr(2 + 2 + 2 + 2 + 5);
    PalmUser hiding = userWithRest("A", 1, "xx" + std::string("\x01\x80", 2) + ghost);
    ASSERT_EQ(1, readBytes(UsersDatBuilder().user(hiding).user("Bea", "B", 2).bytes()));
    EXPECT_STREQ("Ghost", table.records[1].name);
    EXPECT_EQ(9, table.records[1].slot);
    EXPECT_EQ(0u, boxes.count());
}

TEST_F(UserDatabaseTest, OverlongStringsAreCutAndSkippedWhole)
{
    PalmUser longNames = userWithRest(std::string(200, 'n'), 4, "");
    longNames.directory = std::string(255, 'd');
    ASSERT_EQ(1, readBytes(UsersDatBuilder().user(longNames).user("Bea", "B", 2).bytes()));
    EXPECT_EQ(std::string(127, 'n'), table.records[0].name);
    EXPECT_EQ(std::string(127, 'd'), table.records[0].directory);
    EXPECT_STREQ("Bea", table.records[1].name);

    // A class name longer than its buffer: cut, skipped, then the records.
    ASSERT_EQ(1, readBytes(UsersDatBuilder().className(std::string(3000, 'C')).user("A", "DirA", 1).bytes()));
    EXPECT_STREQ("DirA", table.records[0].directory);
    EXPECT_EQ(1, countOf("Expecting CUser"));

    // A negative class-name length goes past everything: the records read empty.
    boxes.clear();
    ASSERT_EQ(1, readBytes(UsersDatBuilder().classNameLength(-2).user("A", "DirA", 1).bytes()));
    EXPECT_EQ(1, table.count);
    EXPECT_STREQ("", table.records[0].name);
    EXPECT_EQ(0, table.records[0].slot);
}

TEST_F(UserDatabaseTest, FileThatEndsEarlyReadsAsZerosAndEmptyStrings)
{
    std::string full = UsersDatBuilder().user("Ann", "AnnDir", 0x1234).bytes();
    const size_t classEnd = 2 + 4 + 2 + 5;
    ASSERT_EQ(1, readBytes(full.substr(0, classEnd + 2 + 2 + 1 + 2)));  // name cut after "An"
    EXPECT_EQ(1, table.count);
    EXPECT_EQ(0x1234, table.records[0].slot);
    EXPECT_STREQ("An", table.records[0].name);
    EXPECT_STREQ("", table.records[0].directory);
    EXPECT_EQ(0, table.records[0].flags);

    ASSERT_EQ(1, readBytes(std::string("\x02", 1)));
    EXPECT_EQ(2, table.count);
    EXPECT_STREQ("", table.records[1].name);
}

TEST_F(UserDatabaseTest, UnopenedFileIsReportedAndLeavesTheTableAlone)
{
    // Registered directory, no file.
    ASSERT_EQ(0, read());
    ASSERT_EQ(1u, boxes.count());
    EXPECT_EQ(NOT_OPENED_TEXT, boxes.boxes()[0].text);
    EXPECT_EQ("Kelvane Setup", boxes.boxes()[0].caption);
    EXPECT_EQ(static_cast<UINT>(0x40030), boxes.boxes()[0].style);
    EXPECT_EQ(12345, table.count);

    // Held open by another handle without sharing: the same message.
    desktop.writeUsersDat(UsersDatBuilder().user("A", "A", 1));
    HANDLE holder = CreateFileA((desktop.folder() + "\\users.dat").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    boxes.clear();
    EXPECT_EQ(0, read());
    CloseHandle(holder);
    ASSERT_EQ(1u, boxes.count());
    EXPECT_EQ(NOT_OPENED_TEXT, boxes.boxes()[0].text);

    // A directory too long for "\users.dat" is refused, never cut.
    // 250 characters: read from the registry, but no room for "\users.dat".
    std::string longPath = desktop.folder() + "\\";
    longPath += std::string(250 - longPath.size(), 'x');
    desktop.setPath(PilotRoot::USRobotics, longPath);
    makeFolder(longPath);
    writeFileBytes(longPath + "\\users.da", UsersDatBuilder().user("Cut", "Cut", 1).bytes());
    boxes.clear();
    EXPECT_EQ(0, read());
    ASSERT_EQ(1u, boxes.count());
    EXPECT_EQ(NOT_OPENED_TEXT, boxes.boxes()[0].text);
    EXPECT_EQ(12345, table.count);
}

TEST_F(UserDatabaseTest, UnregisteredDesktopFallsBackToPilotOnTheCurrentDrive)
{
    FakePalmDesktop::removeAllKeys();
    ScopedCurrentDirectory here(desktop.folder());
    ASSERT_EQ(0, read());
    ASSERT_EQ(1u, boxes.count());
    EXPECT_EQ(NO_PILOT_TEXT, boxes.boxes()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING | MB_TOPMOST), boxes.boxes()[0].style);

    char drive[MAX_PATH];
    GetCurrentDirectoryA(sizeof drive, drive);
    std::string pilot = std::string(drive, 2) + "\\pilot";
    ASSERT_FALSE(folderExists(pilot)) << "the prefix must not hold a \\pilot folder already";
    makeFolder(pilot);
    writeFileBytes(pilot + "\\users.dat", UsersDatBuilder().user("Pilot User", "PU", 6).bytes());
    boxes.clear();
    int result = read();
    removeTree(pilot);
    ASSERT_EQ(1, result);
    EXPECT_EQ(0u, boxes.count());
    EXPECT_STREQ("Pilot User", table.records[0].name);
}
