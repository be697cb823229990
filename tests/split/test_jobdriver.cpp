#include "split/JobDriver.h"
#include "support/Files.h"
#include "support/MemoryStore.h"
#include "support/ScriptedShell.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Driver : public ::testing::Test {
protected:
    Driver() : settings(store, QStringLiteral("/opt/brevimo"), [] { return false; }) {
        job.SourceFile = dir.filePath(QStringLiteral("report.zip"));
        WriteFile(job.SourceFile, PatternBytes(2500000));
        job.SplitFolder = dir.filePath(QStringLiteral("out"));
        QDir().mkpath(job.SplitFolder);
        job.MailSelected = false;
        job.FilesOptionEnabled = true;
        job.SendTo = QStringLiteral("someone@x.test");
    }

    bool run() { return JobDriver(job, settings, shell).StartProcess(); }

    QTemporaryDir dir;
    MemoryStore store;
    Settings settings;
    ScriptedShell shell;
    SplitJob job;
};

TEST_F(Driver, FolderJobTellsTheCountAndStoresTheSettings) {
    job.SizeIndex = 1;
    ASSERT_TRUE(run());
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].text, u"There were 3 splitfiles created.");
    EXPECT_EQ(shell.boxes[0].icon, MsgIcon::Information);
    EXPECT_EQ(shell.boxes[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(FolderEntries(job.SplitFolder),
              (QStringList{u"report.001"_qs, u"report.002"_qs, u"report.003"_qs, u"report.bat"_qs}));
    EXPECT_EQ(store.get(u"SplitDir"_qs), job.SplitFolder);
    EXPECT_EQ(store.get(u"SplitSize"_qs), u"1");
    EXPECT_EQ(store.get(u"ToEMailAddress01"_qs), u"someone@x.test");
    EXPECT_FALSE(shell.busy);
}

TEST_F(Driver, FolderOutputRunsWhateverTheFloppyChoiceWasWhenMailIsSelected) {
    // With files on disk and the floppy choice off, folder output runs; the custom size applies.
    job.SizeIndex = 4;
    job.CustomSplitSize = u"1 MB"_qs;
    ASSERT_TRUE(run());
    EXPECT_EQ(shell.boxes.back().text, u"There were 3 splitfiles created.");
}

TEST_F(Driver, FailedJobsAreToldAndStillStoreTheSettings) {
    struct Case {
        const char* what;
        std::function<void(SplitJob&)> change;
        const char* messagePart;
    };
    const Case cases[] = {
        {"missing source", [](SplitJob& j) { j.SourceFile += u".gone"_qs; }, "report.zip.gone"},
        {"empty source", [](SplitJob& j) { j.SourceFile.clear(); }, "No file to split"},
        {"missing folder", [](SplitJob& j) { j.SplitFolder += u"/deeper"_qs; }, "/out/deeper' does not exist"},
        {"number without unit", [](SplitJob& j) { j.SizeIndex = 4, j.CustomSplitSize = u"100"_qs; }, "'100'"},
        {"negative size", [](SplitJob& j) { j.SizeIndex = 4, j.CustomSplitSize = u"-5 MB"_qs; }, "'-5 MB'"},
        {"zero with unit", [](SplitJob& j) { j.SizeIndex = 4, j.CustomSplitSize = u"0 MB"_qs; }, "'0 MB'"},
    };
    int recipient = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SplitJob saved = job;
        c.change(job);
        job.SendTo = QStringLiteral("r%1@x.test").arg(++recipient);
        shell.boxes.clear();
        EXPECT_FALSE(run());
        ASSERT_EQ(shell.boxes.size(), 1u);
        EXPECT_EQ(shell.boxes[0].icon, MsgIcon::Critical);
        EXPECT_TRUE(shell.boxes[0].text.contains(QString::fromUtf8(c.messagePart)))
            << shell.boxes[0].text.toStdString();
        EXPECT_FALSE(shell.boxes[0].text.contains(u"splitfiles created"));
        EXPECT_EQ(FolderEntries(saved.SplitFolder), QStringList{});
        // Stored after a failed job too.
        EXPECT_EQ(store.get(u"ToEMailAddress01"_qs), job.SendTo);
        EXPECT_EQ(store.get(u"SplitSize"_qs), QString::number(job.SizeIndex));
        EXPECT_EQ(store.get(u"SplitDir"_qs), job.SplitFolder);
        EXPECT_FALSE(shell.busy);
        const QStringList history = job.RecipientHistory;
        job = saved;
        job.RecipientHistory = history;
    }
}

TEST_F(Driver, SettingsThatCannotBeStoredAreToldButTheJobStands) {
    store.failWrites = true;
    EXPECT_TRUE(run());
    ASSERT_EQ(shell.boxes.size(), 2u);
    EXPECT_EQ(shell.boxes[0].text, u"There were 3 splitfiles created.");
    EXPECT_EQ(shell.boxes[1].icon, MsgIcon::Exclamation);
}

} // namespace
