#include "support/JobTest.h"

namespace {

class Driver : public JobTest {
protected:
    Driver() {
        job.SourceFile = file(u"report.zip"_qs, PatternBytes(2500000));
        QDir().mkpath(dir.filePath(u"out"_qs));
        toDisk(dir.filePath(u"out"_qs));
        job.SendTo = u"someone@x.test"_qs;
    }
};

TEST_F(Driver, FolderJobTellsTheCountAndStoresTheSettings) {
    ASSERT_TRUE(run());
    EXPECT_EQ(shell.told(), u"info ok: There were 3 splitfiles created.");
    EXPECT_EQ(Listing(job.SplitFolder), u"report.001 report.002 report.003 report.bat");
    EXPECT_TRUE(ReadFile(job.SplitFolder + u"/report.bat"_qs).startsWith("@echo off\r\n")); // no lines for a .txt
    EXPECT_EQ(store.get(u"SplitDir"_qs), job.SplitFolder);
    EXPECT_EQ(store.get(u"SplitSize"_qs), u"1");
    EXPECT_EQ(store.get(u"ToEMailAddress01"_qs), u"someone@x.test");
    EXPECT_FALSE(shell.busy);
}

TEST_F(Driver, TheChoicesPickTheOutput) {
    store.set(u"FloppyDrive"_qs, dir.filePath(u"no disk"_qs));
    struct Case {
        bool mail, floppy;
        const char* firstBox;
    };
    const Case cases[] = {
        {true, true, "No mail server is set"}, // the floppy choice is kept under mail, and mail wins
        {false, true, "Please insert a disk into drive "},
        {false, false, "There were 3 splitfiles created."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstBox);
        job.MailSelected = c.mail;
        job.FloppySelected = c.floppy;
        shell = ScriptedShell();
        if (c.floppy && !c.mail)
            shell.answer(MsgResult::Cancel);
        EXPECT_EQ(run(), !c.floppy);
        ASSERT_FALSE(shell.boxes.empty());
        EXPECT_TRUE(shell.boxes[0].text.startsWith(QString::fromUtf8(c.firstBox))) << shell.boxes[0].text.toStdString();
    }
}

TEST_F(Driver, FailedJobsAreToldAndStillStoreTheSettings) {
    struct Case {
        std::function<void(SplitJob&)> change;
        const char* messagePart;
    };
    const Case cases[] = {
        {[](SplitJob& j) { j.SourceFile += u".gone"_qs; }, "report.zip.gone"},
        {[](SplitJob& j) { j.SourceFile.clear(); }, "No file to split"},
        {[](SplitJob& j) { j.SplitFolder += u"/deeper"_qs; }, "/out/deeper' does not exist"},
        {[](SplitJob& j) { j.SizeIndex = 4, j.CustomSplitSize = u"100"_qs; }, "'100'"},
        {[](SplitJob& j) { j.SizeIndex = 4, j.CustomSplitSize = u"-5 MB"_qs; }, "'-5 MB'"},
        {[](SplitJob& j) { j.SizeIndex = 4, j.CustomSplitSize = u"0 MB"_qs; }, "'0 MB'"},
    };
    int recipient = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.messagePart);
        const SplitJob saved = job;
        c.change(job);
        job.SendTo = QStringLiteral("r%1@x.test").arg(++recipient);
        shell.boxes.clear();
        EXPECT_FALSE(run());
        ASSERT_EQ(shell.boxes.size(), 1u);
        EXPECT_EQ(shell.boxes[0].icon, MsgIcon::Critical);
        EXPECT_TRUE(shell.boxes[0].text.contains(QString::fromUtf8(c.messagePart)))
            << shell.boxes[0].text.toStdString();
        EXPECT_EQ(Listing(saved.SplitFolder), u"");
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
    EXPECT_EQ(shell.told(), u"info ok: There were 3 splitfiles created.\nwarning ok: cannot store SplitSize");
}

} // namespace
