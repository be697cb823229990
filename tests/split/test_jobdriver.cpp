#include "support/JobTest.h"

namespace {

TEST_F(JobTest, TheChoicesPickTheOutputAndTheSettingsAreStoredAfterAnyJob) {
    store.set(u"FloppyDrive"_qs, dir.filePath(u"no disk"_qs));
    const QString out = dir.filePath(u"out"_qs);
    QDir().mkpath(out);
    const std::tuple<bool, bool, const char*, QString, QString> cases[] = {
        // mail, floppy, custom size, source, what is told first
        {true, true, "", u"report.zip"_qs, u"error ok: No mail server is set"_qs}, // floppy is kept under mail
        {false, true, "", u"report.zip"_qs, u"warning ok-cancel: Please insert a disk into drive "_qs},
        {false, false, "100", u"report.zip"_qs, u"error ok: The custom size '100' cannot be used"_qs},
        {false, false, "", u"gone.zip"_qs,
         u"error ok: Cannot read the file to split '"_qs + dir.filePath(u"gone.zip"_qs)},
        {false, false, "1 MB", u"report.zip"_qs, u"info ok: There were 3 splitfiles created."_qs},
    };
    file(u"report.zip"_qs, PatternBytes(2500000));
    int row = 0;
    for (const auto& [mail, floppy, custom, source, told] : cases) {
        SCOPED_TRACE(told.toStdString());
        toDisk(out, floppy);
        job.MailSelected = mail;
        job.SizeIndex = *custom ? 4 : 1;
        job.CustomSplitSize = QString::fromUtf8(custom);
        job.SourceFile = dir.filePath(source);
        job.SendTo = QStringLiteral("r%1@x.test").arg(++row);
        shell = ScriptedShell();
        shell.answer(MsgResult::Cancel);
        EXPECT_EQ(run(), told.startsWith(u"info"_qs));
        EXPECT_TRUE(shell.told().startsWith(told)) << shell.told().toStdString();
        EXPECT_FALSE(shell.busy);
        EXPECT_EQ(store.get(u"ToEMailAddress01"_qs) + u'|' + store.get(u"SplitSize"_qs) + u'|' +
                      store.get(u"SplitDir"_qs),
                  job.SendTo + u'|' + QString::number(job.SizeIndex) + u'|' + out);
    }
    EXPECT_EQ(shell.told(), u"info ok: There were 3 splitfiles created.");
    EXPECT_EQ(Listing(out), u"report.001 report.002 report.003 report.bat");
    EXPECT_TRUE(ReadFile(out + u"/report.bat"_qs).startsWith("@echo off\r\n")); // no lines for a .txt
}

TEST_F(JobTest, SettingsThatCannotBeStoredAreToldButTheJobStands) {
    job.SourceFile = file(u"report.zip"_qs, PatternBytes(2500000));
    toDisk(dir.path());
    store.failWrites = true;
    EXPECT_TRUE(run());
    EXPECT_EQ(shell.told(), u"info ok: There were 3 splitfiles created.\nwarning ok: cannot store SplitSize");
}

} // namespace
