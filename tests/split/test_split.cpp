#include "split/JobError.h"
#include "split/PathNames.h"
#include "split/SplitFile.h"
#include "support/JobTest.h"
#include "support/Peers.h"

#include <QRegularExpression>

namespace {

class Splitter : public JobTest {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    // A new empty folder.
    QString folder(const QString& name) {
        QDir().mkpath(path(name));
        return path(name);
    }
};

TEST_F(Splitter, PiecesRejoinToTheSource) {
    const std::tuple<const char*, int64_t, int64_t, const char*> cases[] = {
        // source, length, piece size, the folder afterwards ("..." for 1006 pieces)
        {"a.zip", 0, 1000, "a.001 a.bat"},
        {"a.zip", 999, 1000, "a.001 a.bat"},
        {"a.zip", 1000, 1000, "a.001 a.002 a.bat"}, // an exact multiple ends with an empty piece
        {"a.zip", 1001, 1000, "a.001 a.002 a.bat"},
        {"a.zip", 2500, 1000, "a.001 a.002 a.003 a.bat"},
        {"my.backup.zip", 10, 4, "my.001 my.002 my.003 my.bat"}, // the first dot counts
        {"nodot", 5, 4, "001 002 bat"},
        {"many.bin", 10053, 10, "..."},
    };
    int row = 0;
    for (const auto& [name, length, pieceSize, entries] : cases) {
        SCOPED_TRACE(length);
        const QString out = folder(QStringLiteral("out%1").arg(++row));
        const QByteArray bytes = PatternBytes(length, static_cast<uint32_t>(row));
        const QString source = file(QStringLiteral("%1/%2").arg(row).arg(QString::fromUtf8(name)), bytes);
        const int count = SplitFile(source, pieceSize, out, false, shell);
        QStringList pieces;
        for (int i = 1; i <= count; ++i)
            pieces << PieceName(PieceBase(source), i);
        EXPECT_EQ(count < 1000 ? Listing(out) : u"..."_qs, QString::fromUtf8(entries));
        for (int i = 0; i + 1 < count; ++i)
            EXPECT_EQ(QFileInfo(QDir(out).filePath(pieces[i])).size(), pieceSize) << i;
        EXPECT_EQ(Concatenate(out, pieces), bytes);
    }
    EXPECT_TRUE(Listing(path(u"out8"_qs)).contains(u" many.1000 many.1001 "_qs)); // four digits from 1000 on
    EXPECT_TRUE(ReadFile(path(u"out8/many.bat"_qs)).contains("copy/b \"many.bin\" + \"many.1006\"\r\necho.\r\n"));
}

TEST_F(Splitter, TheSourcesOwnFolderAndNeverTheSourceItself) {
    const QString source = file(u"src/report.zip"_qs, PatternBytes(7));
    EXPECT_EQ(SplitFile(source, 5, u"   "_qs, false, shell), 2); // a blank folder is the source's
    EXPECT_EQ(Listing(path(u"src"_qs)), u"report.001 report.002 report.bat report.zip");
    const QByteArray bytes = PatternBytes(3000);
    for (const char* name : {"report.001", "report.bat", "001"}) {
        SCOPED_TRACE(name);
        const QString own = file(QStringLiteral("own/") + QString::fromUtf8(name), bytes);
        EXPECT_THROW(SplitFile(own, 1000, QString(), false, shell), JobError);
        EXPECT_EQ(ReadFile(own), bytes);
        QFile::remove(own);
    }
}

TEST_F(Splitter, SplittingAgainReplacesEarlierPiecesWhole) {
    const QString out = folder(u"out"_qs);
    const QString source = file(u"r.zip"_qs, PatternBytes(5000, 1));
    ASSERT_EQ(SplitFile(source, 4000, out, false, shell), 2);
    const QByteArray second = PatternBytes(3000, 2);
    WriteFile(source, second);
    ASSERT_EQ(SplitFile(source, 4000, out, false, shell), 1);
    EXPECT_EQ(ReadFile(path(u"out/r.001"_qs)), second);
}

TEST_F(Splitter, ReportsProgressPerPiece) {
    ASSERT_EQ(SplitFile(file(u"report.zip"_qs, PatternBytes(2500000)), 1048576, dir.path(), false, shell), 3);
    EXPECT_EQ(shell.progressed(), u"1 |42 Writing: report.001|84 Writing: report.002|100 Writing: report.003");
    EXPECT_TRUE(shell.busy);
    // Halves go to the even neighbour: 12.5 -> 12, 37.5 -> 38, 62.5 -> 62, 87.5 -> 88.
    ScriptedShell eighths;
    ASSERT_EQ(SplitFile(file(u"eight.bin"_qs, PatternBytes(8)), 1, folder(u"8"_qs), false, eighths), 9);
    EXPECT_EQ(eighths.progressed().remove(QRegularExpression(u" [^|]*"_qs)), u"1|12|25|38|50|62|75|88|100|100");
}

TEST_F(Splitter, RefusesBeforeWritingAnything) {
    const QString out = folder(u"out"_qs);
    const QString source = file(u"big.zip"_qs, PatternBytes(40000));
    const std::tuple<QString, int64_t, QString, const char*> cases[] = {
        // source, piece size, folder, what the message says
        {path(u"missing.zip"_qs), 10, out, "missing.zip': No such file or directory"},
        {QString(), 10, out, "No file to split"},
        {out, 10, out, "is a folder, not a file"},
        {source, 10, path(u"nowhere"_qs), "nowhere' does not exist"},
        {source, 10, file(u"plain.txt"_qs, "x"), "is not a folder"},
        {source, 1, out, "40001 pieces"},
        {source, 0, out, "above 0"},
        {source, -5, out, "above 0"},
        {file(u"odd\"name.zip"_qs, "x"), 4, out, "a double quote"},
    };
    for (const auto& [from, pieceSize, to, told] : cases) {
        const QString error = Thrown<JobError>([&] { SplitFile(from, pieceSize, to, false, shell); });
        EXPECT_TRUE(error.contains(QString::fromUtf8(told))) << error.toStdString();
        EXPECT_EQ(Listing(out), u"");
    }
}

TEST_F(Splitter, AFullOrReadOnlyDiskIsToldAndLeavesOnlyWholePieces) {
    const QString source = file(u"report.zip"_qs, PatternBytes(1000 * 1000));
    for (const bool readOnly : {false, true}) {
        SCOPED_TRACE(readOnly);
        const QString disk = folder(readOnly ? u"ro"_qs : u"full"_qs);
        TmpfsMount mount(disk, 256 * 1024, readOnly);
        if (!mount.available())
            GTEST_SKIP() << mount.whyNot().toStdString();
        const QString error = Thrown<JobError>([&] { SplitFile(source, 100 * 1000, disk, false, shell); });
        EXPECT_TRUE(error.contains(disk + u"/report.00"_qs) &&
                    error.contains(readOnly ? u"Read-only file system"_qs : u"No space left on device"_qs))
            << error.toStdString();
        // No batch file that names pieces which are not there, and no piece cut short.
        EXPECT_EQ(Listing(disk), readOnly ? u"" : u"report.001 report.002");
        for (const QFileInfo& piece : QDir(disk).entryInfoList(QDir::Files))
            EXPECT_EQ(piece.size(), 100 * 1000) << piece.fileName().toStdString();
    }
}

// Offsets and lengths past 2 GiB: a sparse source with marks around the 32-bit limits.
TEST_F(Splitter, FilesOverTwoGibibytes) {
    const int64_t length = (int64_t{2} << 30) + 4096 + 7;
    QFile whole(path(u"huge.img"_qs));
    ASSERT_TRUE(whole.open(QIODevice::ReadWrite) && whole.resize(length));
    for (int64_t at : {int64_t{0}, (int64_t{1} << 31) - 3, int64_t{1} << 31, length - 9})
        ASSERT_TRUE(whole.seek(at) && whole.write(QByteArray::number(at).rightJustified(9, '#', true)) == 9);
    whole.flush();
    const int64_t pieceSize = int64_t{3} << 29; // 1.5 GiB, more than a 32-bit signed size holds
    ASSERT_EQ(SplitFile(whole.fileName(), pieceSize, folder(u"out"_qs), false, shell), 2);
    QFile first(path(u"out/huge.001"_qs)), second(path(u"out/huge.002"_qs));
    EXPECT_EQ(first.size(), pieceSize);
    EXPECT_EQ(second.size(), length - pieceSize);
    ASSERT_TRUE(whole.seek(0) && first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    int64_t compared = 0;
    for (QFile* piece : {&first, &second}) {
        while (!piece->atEnd()) {
            const QByteArray a = piece->read(8 << 20);
            ASSERT_EQ(a, whole.read(a.size())) << "at offset " << compared;
            compared += a.size();
        }
    }
    EXPECT_EQ(compared, length);
}

TEST(PathNames, SplitPathsAtTheLastSeparator) {
    // path, then its file name, folder and piece base; the dot of a folder does not count
    for (const auto& [path, parts] : {std::pair{"", "||"},
                                      {"/data/report.zip", "report.zip|/data/|report."},
                                      {"report.zip", "report.zip||report."},
                                      {"/data/", "|/data/|"},
                                      {"/a.b/c", "c|/a.b/|"}}) {
        const QString p = QString::fromUtf8(path);
        EXPECT_EQ(ExtractFileName(p) + u'|' + GetPath(p) + u'|' + PieceBase(p), QString::fromUtf8(parts)) << path;
    }
    EXPECT_EQ(PieceName(u"r."_qs, 7) + u' ' + PieceName(u"r."_qs, 12345), u"r.007 r.12345");
}

} // namespace
