#include "split/BatchFile.h"
#include "split/JobError.h"
#include "split/SplitFile.h"
#include "support/Files.h"
#include "support/ScriptedShell.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const char kReportBat[] = "@echo off\r\n"
                          "echo.\r\n"
                          "echo Created using Brevimo Version 1.00.000\r\n"
                          "echo Brevimo splits large files into pieces and puts them together again.\r\n"
                          "echo.\r\n"
                          "echo To get your own copy of Brevimo go to:\r\n"
                          "echo https://brevimo.example.org/\r\n"
                          "echo.\r\n"
                          "pause\r\n"
                          "echo Re-Assembling Split Pieces...\r\n"
                          "copy/b \"report.001\" \"report.zip\"\r\n"
                          "copy/b \"report.zip\" + \"report.002\"\r\n"
                          "copy/b \"report.zip\" + \"report.003\"\r\n"
                          "echo.\r\n"
                          "echo All Done.\r\n";

TEST(BatchFile, ExactBytesForThreePieces) {
    QTemporaryDir dir;
    ScriptedShell shell;
    const QString source = dir.filePath(QStringLiteral("report.zip"));
    WriteFile(source, PatternBytes(2500000));
    const QString out = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    ASSERT_EQ(SplitFile(source, 1048576, out, false, shell), 3);
    EXPECT_EQ(ReadFile(out + QStringLiteral("/report.bat")), QByteArray(kReportBat));
}

TEST(BatchFile, RemLinesOnlyWhenAsked) {
    const QByteArray plain = BatchFileText(u"report.zip"_qs, u"report."_qs, 3, false);
    EXPECT_EQ(plain, QByteArray(kReportBat));
    const QByteArray withRem = BatchFileText(u"report.zip"_qs, u"report."_qs, 3, true);
    EXPECT_EQ(withRem, "rem PLEASE CHANGE THE '.TXT' EXTENSION OF THIS FILE TO '.BAT'\r\nrem \r\n" + plain);
}

TEST(BatchFile, OnePieceUsesTheCreatingCopy) {
    const QByteArray text = BatchFileText(u"a.zip"_qs, u"a."_qs, 1, false);
    EXPECT_TRUE(text.contains("echo Re-Assembling Split Pieces...\r\ncopy/b \"a.001\" \"a.zip\"\r\necho.\r\n"));
    EXPECT_FALSE(text.contains(" + "));
}

TEST(BatchFile, PercentIsEscapedForCmd) {
    const QByteArray text = BatchFileText(u"100%.zip"_qs, u"100%."_qs, 2, false);
    EXPECT_TRUE(text.contains("copy/b \"100%%.001\" \"100%%.zip\"\r\n"));
    EXPECT_TRUE(text.contains("copy/b \"100%%.zip\" + \"100%%.002\"\r\n"));
}

TEST(BatchFile, NonAsciiNamesSwitchToUtf8) {
    const QByteArray text = BatchFileText(u"Fotos_M\u00e4rz.zip"_qs, u"Fotos_M\u00e4rz."_qs, 1, false);
    EXPECT_TRUE(text.startsWith("@echo off\r\nchcp 65001 >nul\r\necho.\r\n"));
    EXPECT_TRUE(text.contains("copy/b \"Fotos_M\xc3\xa4rz.001\" \"Fotos_M\xc3\xa4rz.zip\"\r\n"));
    EXPECT_FALSE(BatchFileText(u"a.zip"_qs, u"a."_qs, 1, false).contains("chcp"));
}

TEST(BatchFile, UnsafeNamesAreRefused) {
    struct Case {
        QString name;
        const char* reason;
    };
    const Case refused[] = {
        {u"say \"hi\".zip"_qs, "a double quote"},
        {u"two\nlines.zip"_qs, "a line break"},
        {u"tab\there.zip"_qs, "a control character"},
        {u"a<b.zip"_qs, "'<'"},
        {u"a>b.zip"_qs, "'>'"},
        {u"a|b.zip"_qs, "'|'"},
        {u"what?.zip"_qs, "'?'"},
        {u"star*.zip"_qs, "'*'"},
        {u"back\\slash.zip"_qs, "'\\'"},
        {u"c:colon.zip"_qs, "':'"},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name.toStdString());
        try {
            CheckBatchSafeName(c.name);
            ADD_FAILURE() << "accepted";
        } catch (const JobError& e) {
            EXPECT_TRUE(e.message().contains(c.name));
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.reason))) << e.message().toStdString();
        }
    }
    for (const QString& ok : {u"100%.zip"_qs, u"a & b (1).zip"_qs, u"M\u00e4rz.zip"_qs, u"semi;colon.zip"_qs})
        EXPECT_NO_THROW(CheckBatchSafeName(ok)) << ok.toStdString();
}

TEST(BatchFile, UnsafeSourceWritesNothing) {
    QTemporaryDir dir;
    ScriptedShell shell;
    const QString source = dir.filePath(QStringLiteral("odd\"name.zip"));
    WriteFile(source, PatternBytes(10));
    const QString out = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(out);
    EXPECT_THROW(SplitFile(source, 4, out, false, shell), JobError);
    EXPECT_EQ(FolderEntries(out), QStringList{});
}

} // namespace
