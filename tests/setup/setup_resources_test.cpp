// The launcher's resources, read from the built file: the two programs of
// the same build, byte for byte, and nothing else.
#include "module_resources.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

TEST(LauncherResources, CarriesExactlyTheTwoProgramsOfThisBuild)
{
    ModuleFile setup(programFolder() + "\\setup.exe");
    std::vector<ResourceEntry> resources = setup.resources();
    ASSERT_EQ(2u, resources.size());
    for (const ResourceEntry &entry : resources)
        EXPECT_EQ(LANGUAGE_EN_US, entry.language) << entry.type;
    EXPECT_TRUE(setup.bytes("PLACER", resourceId(1000)) == readFileBytes(programFolder() + "\\placer.exe"));
    EXPECT_TRUE(setup.bytes("WORKER", resourceId(1001)) == readFileBytes(programFolder() + "\\worker.exe"));
}
