#include "support/JobTest.h"

namespace {

TEST_F(JobTest, SettingsThatCannotBeStoredAreToldButTheJobStands) {
    job.SourceFile = file(u"report.zip"_qs, PatternBytes(2500000));
    toDisk(dir.path());
    store.failWrites = true;
    EXPECT_TRUE(run());
    EXPECT_EQ(shell.told(), u"info ok: There were 3 splitfiles created.\nwarning ok: cannot store SplitSize");
}

} // namespace
