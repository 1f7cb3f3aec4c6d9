// One user and any tail but exactly "-v": the worker chooses by itself,
// records the choice and starts the installer, without a window.
#include "worker_run.h"

TEST(WorkerAutomaticChoice, OneUserAndATailOtherThanExactlyDashVNeedNoDialog)
{
    // Case, a trailing blank and a further argument all leave it automatic.
    for (const char *tail : {"", "-V", "-v ", "-v x"}) {
        SCOPED_TRACE(std::string("tail [") + tail + "]");
        WorkerRun run;
        run.installUsers({"Ann Lee"});
        std::uint64_t before = fileTimeNow();
        run.start(tail);
        run.expectExitCodeZero();  // a dialog would have kept it running
        std::uint64_t after = fileTimeNow();

        EXPECT_TRUE(recordsOfChoice("Ann Lee", before, after));
        EXPECT_TRUE(run.installerStartedOnce());
        EXPECT_TRUE(run.installerKept());
    }
}

TEST(WorkerAutomaticChoice, RecordsTheNameByteForByte)
{
    for (const std::string &name : {std::string("Z\xE9\xFC\x80 m"), std::string(127, 'N'), std::string()}) {
        SCOPED_TRACE("name of " + std::to_string(name.size()) + " bytes");
        WorkerRun run;
        run.installUsers({name});
        std::uint64_t before = fileTimeNow();
        run.start();
        run.expectExitCodeZero();
        EXPECT_TRUE(recordsOfChoice(name, before, fileTimeNow()));
        EXPECT_TRUE(run.installerStartedOnce());
    }
}
