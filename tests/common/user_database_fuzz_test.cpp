// Damaged users.dat files: truncated and mutated at random, with a fixed
// seed so that every run reads the same files. Whatever the file holds, the
// reader must stay inside the caller's table and leave proper strings.
#include "fake_palm_desktop.h"
#include "lcreg.h"
#include "message_box_capture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

const int ROUNDS = 3000;

std::string sampleFile(std::mt19937 &random)
{
    UsersDatBuilder builder;
    int users = std::uniform_int_distribution<int>(0, 5)(random);
    for (int i = 0; i < users; ++i) {
        PalmUser user;
        user.name = std::string(std::uniform_int_distribution<int>(0, 40)(random), 'a' + i);
        user.directory = std::string(std::uniform_int_distribution<int>(0, 20)(random), 'A' + i);
        user.slot = static_cast<short>(random());
        user.flags = static_cast<unsigned char>(random());
        user.rest = std::string(std::uniform_int_distribution<int>(0, 140)(random), 'r');
        builder.user(user);
    }
    return builder.bytes();
}

void damage(std::string &bytes, std::mt19937 &random)
{
    int changes = std::uniform_int_distribution<int>(1, 6)(random);
    for (int i = 0; i < changes && !bytes.empty(); ++i) {
        size_t at = std::uniform_int_distribution<size_t>(0, bytes.size() - 1)(random);
        switch (random() % 4) {
        case 0: bytes[at] = static_cast<char>(random()); break;
        case 1: bytes[at] = static_cast<char>(0xff); break;  // lengths and counts at their largest
        case 2: bytes.resize(at); break;
        default: bytes.insert(at, std::string("\x01\x80", 2)); break;
        }
    }
}

bool endsInside(const char *field, size_t size)
{
    return std::memchr(field, '\0', size) != nullptr;
}

} // namespace

TEST(UserDatabaseFuzz, DamagedFilesNeverWritePastTheTable)
{
    FakePalmDesktop desktop;
    desktop.setPath(PilotRoot::USRobotics, desktop.folder());
    MessageBoxCapture boxes;
    std::mt19937 random(20261209);
    struct {
        unsigned char before[64];
        UserTable table;
        unsigned char after[64];
    } guarded;

    for (int round = 0; round < ROUNDS; ++round) {
        std::string bytes = sampleFile(random);
        damage(bytes, random);
        desktop.writeUsersDatBytes(bytes);
        std::memset(&guarded, 0xcc, sizeof guarded);
        std::memset(&guarded.table, 0, sizeof guarded.table);
        ASSERT_EQ(1, readUserDatabase(guarded.table.records, MAX_PALM_USERS, &guarded.table.count)) << round;

        int count = guarded.table.count;
        ASSERT_LE(count, MAX_PALM_USERS) << round;
        ASSERT_GE(count, -32768) << round;
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(endsInside(guarded.table.records[i].name, USER_NAME_SIZE)) << round;
            ASSERT_TRUE(endsInside(guarded.table.records[i].directory, USER_NAME_SIZE)) << round;
        }
        for (size_t i = 0; i < sizeof guarded.before; ++i) {
            ASSERT_EQ(0xcc, guarded.before[i]) << round;
            ASSERT_EQ(0xcc, guarded.after[i]) << round;
        }
        boxes.clear();
    }
}
