#include "split/BatchFile.h"
#include "split/JobError.h"
#include "split/SplitFile.h"
#include "support/Files.h"
#include "support/ScriptedShell.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(BatchFile, ExactBytesAndTheRemLinesOnlyWhenAsked) {
    const QByteArray expected = ReadFile(QStringLiteral(BREVIMO_TESTS "/split/report.bat"));
    QTemporaryDir dir;
    ScriptedShell shell;
    WriteFile(dir.filePath(u"report.zip"_qs), PatternBytes(2500000));
    ASSERT_EQ(SplitFile(dir.filePath(u"report.zip"_qs), 1048576, dir.path(), false, shell), 3);
    EXPECT_EQ(ReadFile(dir.filePath(u"report.bat"_qs)), expected);
    EXPECT_EQ(BatchFileText(u"report.zip"_qs, u"report."_qs, 3, true),
              "rem PLEASE CHANGE THE '.TXT' EXTENSION OF THIS FILE TO '.BAT'\r\nrem \r\n" + expected);
}

TEST(BatchFile, NamesAsCmdReadsThem) {
    const std::tuple<QString, int, const char*, const char*> cases[] = {
        // source, pieces, a part of the text, what it lacks
        {u"a.zip"_qs, 1, "echo Re-Assembling Split Pieces...\r\ncopy/b \"a.001\" \"a.zip\"\r\necho.\r\n", " + "},
        {u"a.zip"_qs, 1, "@echo off\r\necho.\r\n", "chcp"},
        {u"100%.zip"_qs, 2, "copy/b \"100%%.001\" \"100%%.zip\"\r\ncopy/b \"100%%.zip\" + \"100%%.002\"\r\n",
         "\"100%.0"},
        {u"Fotos_M\u00e4rz.zip"_qs, 1, "@echo off\r\nchcp 65001 >nul\r\necho.\r\n", "\xe4"},
        {u"Fotos_M\u00e4rz.zip"_qs, 1, "copy/b \"Fotos_M\xc3\xa4rz.001\" \"Fotos_M\xc3\xa4rz.zip\"\r\n", "\r\r"},
    };
    for (const auto& [source, count, contains, lacks] : cases) {
        const QByteArray text = BatchFileText(source, source.section(u'.', 0, 0) + u'.', count, false);
        EXPECT_TRUE(text.contains(contains) && !text.contains(lacks)) << text.toStdString();
    }
}

TEST(BatchFile, UnsafeNamesAreRefused) {
    const std::pair<QString, const char*> cases[] = {
        {u"say \"hi\".zip"_qs, "a double quote"},
        {u"two\nlines.zip"_qs, "a line break"},
        {u"tab\there.zip"_qs, "a control character"},
        {u"del\x7f.zip"_qs, "a control character"},
        {u"a<b.zip"_qs, "'<'"},
        {u"a>b.zip"_qs, "'>'"},
        {u"a|b.zip"_qs, "'|'"},
        {u"what?.zip"_qs, "'?'"},
        {u"star*.zip"_qs, "'*'"},
        {u"back\\slash.zip"_qs, "'\\'"},
        {u"c:colon.zip"_qs, "':'"},
        // accepted
        {u"100%.zip"_qs, nullptr},
        {u"a & b (1).zip"_qs, nullptr},
        {u"M\u00e4rz.zip"_qs, nullptr},
        {u"semi;colon.zip"_qs, nullptr},
    };
    for (const auto& [name, reason] : cases) {
        const QString error = Thrown<JobError>([&, n = name] { CheckBatchSafeName(n); });
        EXPECT_EQ(error.contains(name) && error.contains(QString::fromUtf8(reason)), reason != nullptr)
            << error.toStdString();
        EXPECT_EQ(error.isEmpty(), reason == nullptr) << name.toStdString();
    }
}

} // namespace
