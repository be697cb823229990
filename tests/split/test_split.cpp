#include "split/JobError.h"
#include "split/PathNames.h"
#include "split/SplitFile.h"
#include "support/Files.h"
#include "support/ScriptedShell.h"
#include "support/TmpfsMount.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

class Splitter : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    QString makeSource(const QString& name, const QByteArray& bytes) {
        WriteFile(path(name), bytes);
        return path(name);
    }

    QStringList pieces(const QString& folder, const QString& base, int count) const {
        QStringList list;
        for (int i = 1; i <= count; ++i)
            list << QDir(folder).filePath(PieceName(base, i));
        return list;
    }

    QTemporaryDir dir;
    ScriptedShell shell;
};

TEST_F(Splitter, PiecesRejoinToTheSource) {
    struct Case {
        int64_t length;
        int expectedCount;
        int64_t lastLength;
    };
    // Empty, shorter than a piece, one byte over, an exact multiple (ends with an empty piece), several.
    const Case cases[] = {{0, 1, 0}, {999, 1, 999}, {1000, 2, 0}, {1001, 2, 1}, {3000, 4, 0}, {2500, 3, 500}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const QString out = path(QStringLiteral("out%1").arg(c.length));
        QDir().mkpath(out);
        const QByteArray bytes = PatternBytes(c.length, static_cast<uint32_t>(c.length));
        const QString source = makeSource(QStringLiteral("data%1.zip").arg(c.length), bytes);

        const int count = SplitFile(source, 1000, out, false, shell);
        ASSERT_EQ(count, c.expectedCount);
        const QString base = QStringLiteral("data%1.").arg(c.length);
        const QStringList files = pieces(out, base, count);
        for (int i = 0; i < count - 1; ++i)
            EXPECT_EQ(QFile(files[i]).size(), 1000);
        EXPECT_EQ(QFile(files.last()).size(), c.lastLength);
        EXPECT_EQ(Concatenate(files), bytes);

        QStringList expected = {BatchName(base)};
        for (const QString& f : files)
            expected << QFileInfo(f).fileName();
        expected.sort();
        EXPECT_EQ(FolderEntries(out), expected);
    }
}

TEST_F(Splitter, ThousandAndMorePiecesGrowToFourDigits) {
    const QByteArray bytes = PatternBytes(10 * 1005 + 3);
    const QString source = makeSource(QStringLiteral("many.bin"), bytes);
    QDir().mkpath(path(QStringLiteral("out")));
    const int count = SplitFile(source, 10, path(QStringLiteral("out")), false, shell);
    ASSERT_EQ(count, 1006);
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("out/many.999"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("out/many.1000"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("out/many.1006"))));
    EXPECT_EQ(Concatenate(pieces(path(QStringLiteral("out")), QStringLiteral("many."), count)), bytes);
    const QByteArray batch = ReadFile(path(QStringLiteral("out/many.bat")));
    EXPECT_TRUE(batch.contains("copy/b \"many.bin\" + \"many.1006\"\r\necho.\r\n"));
}

TEST_F(Splitter, NamesFollowTheFirstDot) {
    QDir().mkpath(path(QStringLiteral("a")));
    QDir().mkpath(path(QStringLiteral("b")));
    const QString dotted = makeSource(QStringLiteral("my.backup.zip"), PatternBytes(10));
    EXPECT_EQ(SplitFile(dotted, 4, path(QStringLiteral("a")), false, shell), 3);
    EXPECT_EQ(FolderEntries(path(QStringLiteral("a"))),
              (QStringList{u"my.001"_qs, u"my.002"_qs, u"my.003"_qs, u"my.bat"_qs}));
    EXPECT_TRUE(ReadFile(path(QStringLiteral("a/my.bat"))).contains("copy/b \"my.001\" \"my.backup.zip\"\r\n"));

    const QString plain = makeSource(QStringLiteral("nodot"), PatternBytes(5));
    EXPECT_EQ(SplitFile(plain, 4, path(QStringLiteral("b")), false, shell), 2);
    EXPECT_EQ(FolderEntries(path(QStringLiteral("b"))), (QStringList{u"001"_qs, u"002"_qs, u"bat"_qs}));
}

TEST_F(Splitter, BlankFolderMeansTheSourcesFolder) {
    QDir().mkpath(path(QStringLiteral("src")));
    const QString source = path(QStringLiteral("src/report.zip"));
    WriteFile(source, PatternBytes(7));
    EXPECT_EQ(SplitFile(source, 5, QStringLiteral("   "), false, shell), 2);
    EXPECT_EQ(FolderEntries(path(QStringLiteral("src"))),
              (QStringList{u"report.001"_qs, u"report.002"_qs, u"report.bat"_qs, u"report.zip"_qs}));
}

TEST_F(Splitter, SplittingAgainReplacesEarlierPiecesWhole) {
    const QString out = path(QStringLiteral("out"));
    QDir().mkpath(out);
    const QString source = path(QStringLiteral("r.zip"));
    WriteFile(source, PatternBytes(5000, 1));
    ASSERT_EQ(SplitFile(source, 4000, out, false, shell), 2);
    const QByteArray second = PatternBytes(3000, 2);
    WriteFile(source, second);
    ASSERT_EQ(SplitFile(source, 4000, out, false, shell), 1);
    EXPECT_EQ(ReadFile(path(QStringLiteral("out/r.001"))), second);
}

TEST_F(Splitter, ReportsProgressPerPiece) {
    const QString source = makeSource(QStringLiteral("report.zip"), PatternBytes(2500000));
    ASSERT_EQ(SplitFile(source, 1048576, dir.path(), false, shell), 3);
    const std::vector<std::pair<int, QString>> expected = {{1, u""_qs},
                                                           {42, u"Writing: report.001"_qs},
                                                           {84, u"Writing: report.002"_qs},
                                                           {100, u"Writing: report.003"_qs}};
    EXPECT_EQ(shell.progress, expected);
    EXPECT_TRUE(shell.busy);

    // Halves go to the even neighbour: 12.5 -> 12, 37.5 -> 38, 62.5 -> 62, 87.5 -> 88.
    ScriptedShell eighths;
    const QString small = makeSource(QStringLiteral("eight.bin"), PatternBytes(8));
    ASSERT_EQ(SplitFile(small, 1, path(QString()), false, eighths), 9);
    std::vector<int> percents;
    for (const auto& p : eighths.progress)
        percents.push_back(p.first);
    EXPECT_EQ(percents, (std::vector<int>{1, 12, 25, 38, 50, 62, 75, 88, 100, 100}));
}

TEST_F(Splitter, RefusesBeforeWritingAnything) {
    const QString out = path(QStringLiteral("out"));
    QDir().mkpath(out);
    const QString source = makeSource(QStringLiteral("big.zip"), PatternBytes(40000));
    const QString folderAsFile = makeSource(QStringLiteral("plain.txt"), "x");

    struct Case {
        const char* what;
        QString source;
        int64_t pieceSize;
        QString folder;
        const char* messagePart;
    };
    const Case cases[] = {
        {"missing source", path(u"missing.zip"_qs), 10, out, "missing.zip': No such file or directory"},
        {"empty source", QString(), 10, out, "No file to split"},
        {"source is a folder", out, 10, out, "is a folder, not a file"},
        {"missing folder", source, 10, path(u"nowhere"_qs), "nowhere' does not exist"},
        {"folder is a file", source, 10, folderAsFile, "is not a folder"},
        {"too many pieces", source, 1, out, "40001 pieces"},
        {"zero piece size", source, 0, out, "above 0"},
        {"negative piece size", source, -5, out, "above 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            SplitFile(c.source, c.pieceSize, c.folder, false, shell);
            ADD_FAILURE() << "not refused";
        } catch (const JobError& e) {
            EXPECT_TRUE(e.message().contains(QString::fromUtf8(c.messagePart))) << e.message().toStdString();
        }
        EXPECT_EQ(FolderEntries(out), QStringList{});
    }
}

TEST_F(Splitter, NeverOverwritesItsOwnSource) {
    const QByteArray bytes = PatternBytes(3000);
    for (const char* name : {"report.001", "report.bat", "001"}) {
        SCOPED_TRACE(name);
        const QString source = makeSource(QString::fromUtf8(name), bytes);
        EXPECT_THROW(SplitFile(source, 1000, QString(), false, shell), JobError);
        EXPECT_EQ(ReadFile(source), bytes);
        QFile::remove(source);
    }
}

TEST_F(Splitter, FullDiskRemovesTheIncompletePiece) {
    const QString disk = path(QStringLiteral("disk"));
    QDir().mkpath(disk);
    TmpfsMount mount(disk, 256 * 1024);
    if (!mount.available())
        GTEST_SKIP() << mount.whyNot().toStdString();
    const QString source = makeSource(QStringLiteral("report.zip"), PatternBytes(1000 * 1000));
    try {
        SplitFile(source, 100 * 1000, disk, false, shell);
        ADD_FAILURE() << "a full disk was not reported";
    } catch (const JobError& e) {
        EXPECT_TRUE(e.message().contains(u"No space left on device")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(disk + u"/report.00"_qs)) << e.message().toStdString();
    }
    // What stays is whole: full pieces only, and no batch file that names pieces which are not there.
    const QStringList left = FolderEntries(disk);
    EXPECT_FALSE(left.isEmpty());
    EXPECT_FALSE(left.contains(u"report.bat"_qs));
    for (const QString& name : left)
        EXPECT_EQ(QFile(QDir(disk).filePath(name)).size(), 100 * 1000) << name.toStdString();
}

TEST_F(Splitter, ReadOnlyDiskIsReported) {
    const QString disk = path(QStringLiteral("ro"));
    QDir().mkpath(disk);
    TmpfsMount mount(disk, 1024 * 1024, true);
    if (!mount.available())
        GTEST_SKIP() << mount.whyNot().toStdString();
    const QString source = makeSource(QStringLiteral("report.zip"), PatternBytes(3000));
    try {
        SplitFile(source, 1000, disk, false, shell);
        ADD_FAILURE() << "a read-only disk was not reported";
    } catch (const JobError& e) {
        EXPECT_TRUE(e.message().contains(u"Read-only file system")) << e.message().toStdString();
    }
}

// Offsets and lengths past 2 GiB: a sparse source with marks around the 32-bit limits.
TEST_F(Splitter, FilesOverTwoGibibytes) {
    const int64_t length = (int64_t{2} << 30) + 4096 + 7;
    const QString source = path(QStringLiteral("huge.img"));
    {
        const int fd = ::open(QFile::encodeName(source).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, length), 0);
        for (int64_t at : {int64_t{0}, (int64_t{1} << 31) - 3, int64_t{1} << 31, length - 9}) {
            const QByteArray mark = "MARK" + QByteArray::number(static_cast<qlonglong>(at));
            ASSERT_EQ(::pwrite(fd, mark.constData(), 9, at), 9);
        }
        ::close(fd);
    }
    const QString out = path(QStringLiteral("out"));
    QDir().mkpath(out);
    const int64_t pieceSize = int64_t{3} << 29; // 1.5 GiB, more than a 32-bit signed size holds
    ASSERT_EQ(SplitFile(source, pieceSize, out, false, shell), 2);
    EXPECT_EQ(QFile(path(QStringLiteral("out/huge.001"))).size(), pieceSize);
    EXPECT_EQ(QFile(path(QStringLiteral("out/huge.002"))).size(), length - pieceSize);

    // Compare the rejoined pieces with the source chunk by chunk.
    QFile whole(source), first(path(QStringLiteral("out/huge.001"))), second(path(QStringLiteral("out/huge.002")));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly) && first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    int64_t compared = 0;
    for (QFile* piece : {&first, &second}) {
        while (!piece->atEnd()) {
            const QByteArray a = piece->read(8 << 20);
            const QByteArray b = whole.read(a.size());
            ASSERT_EQ(a, b) << "at offset " << compared;
            compared += a.size();
        }
    }
    EXPECT_EQ(compared, length);
    EXPECT_TRUE(whole.atEnd());
    QFile::remove(source);
    QFile::remove(first.fileName());
    QFile::remove(second.fileName());
}

TEST(PathNames, SplitPathsAtTheLastSeparator) {
    EXPECT_EQ(ExtractFileName(u""_qs), u"");
    EXPECT_EQ(ExtractFileName(u"/data/report.zip"_qs), u"report.zip");
    EXPECT_EQ(ExtractFileName(u"report.zip"_qs), u"report.zip");
    EXPECT_EQ(ExtractFileName(u"/data/"_qs), u"");
    EXPECT_EQ(GetPath(u"/data/report.zip"_qs), u"/data/");
    EXPECT_EQ(GetPath(u"report.zip"_qs), u"");
    EXPECT_EQ(GetPath(u""_qs), u"");
    EXPECT_EQ(PieceBase(u"/a.b/c"_qs), u""); // the dot of a folder does not count
    EXPECT_EQ(PieceName(u"r."_qs, 7), u"r.007");
    EXPECT_EQ(PieceName(u"r."_qs, 12345), u"r.12345");
}

} // namespace
