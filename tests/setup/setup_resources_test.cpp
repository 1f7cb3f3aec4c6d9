// The launcher's resources, read from the built file: the two programs of
// the same build, byte for byte, its manifest, and nothing else.
#include "module_resources.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

TEST(LauncherResources, CarriesExactlyTheTwoProgramsOfThisBuild)
{
    ModuleFile setup(programFolder() + "\\setup.exe");
    std::vector<ResourceEntry> resources = setup.resources();
    ASSERT_EQ(3u, resources.size());
    for (const ResourceEntry &entry : resources)
        EXPECT_EQ(LANGUAGE_EN_US, entry.language) << entry.type;
    EXPECT_TRUE(setup.bytes("PLACER", resourceId(1000)) == readFileBytes(programFolder() + "\\placer.exe"));
    EXPECT_TRUE(setup.bytes("WORKER", resourceId(1001)) == readFileBytes(programFolder() + "\\worker.exe"));
    // Its level is checked in the file checks (tests/pe32/check_manifest.py).
    EXPECT_NE(std::string::npos, setup.bytes(resourceId(24), resourceId(1)).find("level=\"asInvoker\""));
}
