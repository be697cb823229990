// The archive request and listing against Debian's zip and unzip: what we write, unzip reads and tests;
// what zip writes, we list.

#include "archive/VBUnzBas.h"
#include "archive/VBZipBas.h"
#include "support/Files.h"
#include "support/ScriptedShell.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zip.h>

namespace {

struct PeerRun {
    int exitCode;
    QString out;
};

PeerRun run(const QString& program, const QStringList& args, const QString& workDir = {}) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, args);
    if (!p.waitForFinished(120000))
        return {-1, QStringLiteral("did not finish")};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

// What unzip -Z -l says of each entry.
std::vector<ZipEntry> unzipListing(const QString& archive) {
    const PeerRun r = run(QStringLiteral("unzip"), {QStringLiteral("-Z"), QStringLiteral("-l"), archive});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    // -rw-r--r--  3.0 unx     8893 tx     4200 defX 26-Dec-07 01:28 a b.txt
    static const QRegularExpression line(
        QStringLiteral(R"(^\S{10}\s+\S+\s+\S+\s+(\d+)\s+\S+\s+(\d+)\s+\S+\s+\S+\s+\d\d:\d\d (.*)$)"),
        QRegularExpression::MultilineOption);
    std::vector<ZipEntry> entries;
    for (auto it = line.globalMatch(r.out); it.hasNext();) {
        const auto m = it.next();
        entries.push_back({m.captured(3), m.captured(1).toLongLong(), m.captured(2).toLongLong()});
    }
    return entries;
}

QByteArray unzipped(const QString& archive, const QString& entry) {
    QProcess p;
    p.start(QStringLiteral("unzip"), {QStringLiteral("-p"), archive, entry});
    p.waitForFinished(120000);
    return p.readAllStandardOutput();
}

// Text that compresses as real text does: words drawn from a small vocabulary, lines of varying length.
QByteArray TextBytes(int64_t size) {
    static const char* words[] = {"archive", "piece", "split", "mail", "disk",     "folder",  "size",   "the",
                                  "of",      "and",   "batch", "copy", "receiver", "message", "server", "byte"};
    QByteArray text;
    uint32_t x = 12345;
    while (text.size() < size) {
        x = x * 1103515245u + 12345u;
        text += words[(x >> 16) % 16];
        text += ((x >> 8) % 11 == 0) ? '\n' : ' ';
    }
    text.truncate(size);
    return text;
}

class Archive : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }

    QString file(const QString& name, const QByteArray& bytes) {
        const QString p = path(name);
        QDir().mkpath(QFileInfo(p).path());
        WriteFile(p, bytes);
        return p;
    }

    int runRequest(ZipRequest r, const QStringList& names) {
        r.names = names;
        const int code = ZipRun(r);
        lastError = r.errorText;
        return code;
    }
    int add(const QString& archive, const QStringList& files) { return runRequest(AddRequest(archive), files); }
    int remove(const QString& archive, const QStringList& names) { return runRequest(RemoveRequest(archive), names); }

    std::vector<ZipEntry> list(const QString& archive, int* code = nullptr) {
        std::vector<ZipEntry> entries;
        const int c = UnzipList(archive, shell, [&](const ZipEntry& e) { entries.push_back(e); });
        if (code)
            *code = c;
        return entries;
    }

    static void expectSame(const std::vector<ZipEntry>& a, const std::vector<ZipEntry>& b) {
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a[i].name, b[i].name);
            EXPECT_EQ(a[i].uncompressed, b[i].uncompressed) << a[i].name.toStdString();
            EXPECT_EQ(a[i].compressed, b[i].compressed) << a[i].name.toStdString();
        }
    }

    QTemporaryDir dir;
    ScriptedShell shell;
    QString lastError;
};

TEST_F(Archive, WhatWeWriteUnzipTestsAndListsAlike) {
    const QByteArray text = TextBytes(300000);
    const QByteArray noise = PatternBytes(70000, 7);
    const QStringList files = {file(QStringLiteral("one/report text.txt"), text),
                               file(QStringLiteral("two/noise.bin"), noise), file(QStringLiteral("two/empty"), {}),
                               file(QStringLiteral("two/grüße.txt"), "hallo\n")};
    const QString zip = path(QStringLiteral("out.zip"));
    ASSERT_EQ(add(zip, files), 0) << lastError.toStdString();

    const PeerRun test = run(QStringLiteral("unzip"), {QStringLiteral("-t"), zip});
    EXPECT_EQ(test.exitCode, 0) << test.out.toStdString();
    const std::vector<ZipEntry> ours = list(zip);
    expectSame(ours, unzipListing(zip));
    // Names only, in the order they were given; every byte comes back.
    ASSERT_EQ(ours.size(), 4u);
    EXPECT_EQ(ours[0].name, QStringLiteral("report text.txt"));
    EXPECT_EQ(ours[3].name, QStringLiteral("grüße.txt"));
    EXPECT_EQ(unzipped(zip, QStringLiteral("report text.txt")), text);
    EXPECT_EQ(unzipped(zip, QStringLiteral("noise.bin")), noise);
    EXPECT_EQ(ours[2].uncompressed, 0);
    EXPECT_LT(ours[0].compressed, ours[0].uncompressed / 3);
    // A Unix entry with the file's permissions, so that unzip restores a normal file.
    const PeerRun info = run(QStringLiteral("unzip"), {QStringLiteral("-Z"), zip});
    EXPECT_TRUE(info.out.contains(QRegularExpression(QStringLiteral(R"(-rw-\S{6}\s+\S+\s+unx\s+300000 )"))))
        << info.out.toStdString();
    EXPECT_TRUE(shell.boxes.empty());
}

TEST_F(Archive, ListsWhatZipWrote) {
    file(QStringLiteral("src/a.txt"), TextBytes(5000));
    file(QStringLiteral("src/deeper/b.bin"), PatternBytes(3000, 3));
    file(QStringLiteral("src/deeper/") + QString(u'n').repeated(200) + QStringLiteral(".txt"), "x");
    const QString zip = path(QStringLiteral("byzip.zip"));
    const PeerRun r =
        run(QStringLiteral("zip"),
            {QStringLiteral("-9"), QStringLiteral("-q"), QStringLiteral("-r"), zip, QStringLiteral("src")}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString();
    const std::vector<ZipEntry> ours = list(zip);
    expectSame(ours, unzipListing(zip));
    // Folder entries and full names, the 200-character one whole.
    bool longSeen = false;
    for (const ZipEntry& e : ours)
        longSeen |= e.name == QStringLiteral("src/deeper/") + QString(u'n').repeated(200) + QStringLiteral(".txt");
    EXPECT_TRUE(longSeen);
    EXPECT_TRUE(shell.boxes.empty());
}

TEST_F(Archive, LevelNineCompressesTextLikeZip) {
    const QString source = file(QStringLiteral("words.txt"), TextBytes(2000000));
    const QString ours = path(QStringLiteral("ours.zip"));
    const QString theirs = path(QStringLiteral("theirs.zip"));
    ASSERT_EQ(add(ours, {source}), 0);
    ASSERT_EQ(
        run(QStringLiteral("zip"), {QStringLiteral("-9"), QStringLiteral("-q"), QStringLiteral("-j"), theirs, source})
            .exitCode,
        0);
    const int64_t a = list(ours).at(0).compressed;
    const int64_t b = list(theirs).at(0).compressed;
    EXPECT_NEAR(static_cast<double>(a), static_cast<double>(b), 0.02 * static_cast<double>(b));
}

TEST_F(Archive, SameNameReplacesTheEntry) {
    const QString zip = path(QStringLiteral("r.zip"));
    ASSERT_EQ(add(zip, {file(QStringLiteral("a/notes.txt"), "first"), file(QStringLiteral("a/keep.txt"), "keep")}), 0);
    // An older file of the same name replaces it too: a plain add, not update-if-newer.
    const QString later = file(QStringLiteral("b/notes.txt"), "second, from another folder");
    QFile(later).setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime);
    ASSERT_EQ(add(zip, {later}), 0);

    const std::vector<ZipEntry> entries = list(zip);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, QStringLiteral("notes.txt"));
    EXPECT_EQ(entries[1].name, QStringLiteral("keep.txt"));
    EXPECT_EQ(unzipped(zip, QStringLiteral("notes.txt")), "second, from another folder");
    EXPECT_EQ(unzipped(zip, QStringLiteral("keep.txt")), "keep");
    EXPECT_EQ(run(QStringLiteral("unzip"), {QStringLiteral("-t"), zip}).exitCode, 0);
}

TEST_F(Archive, RemoveTakesTheFullNameAndLeavesTheRest) {
    file(QStringLiteral("src/a.txt"), "alpha");
    file(QStringLiteral("src/sub/b.txt"), "beta");
    file(QStringLiteral("src/c.txt"), "gamma");
    const QString zip = path(QStringLiteral("three.zip"));
    ASSERT_EQ(run(QStringLiteral("zip"),
                  {QStringLiteral("-q"), zip, QStringLiteral("src/a.txt"), QStringLiteral("src/sub/b.txt"),
                   QStringLiteral("src/c.txt")},
                  dir.path())
                  .exitCode,
              0);
    ASSERT_EQ(remove(zip, {QStringLiteral("src/sub/b.txt")}), 0) << lastError.toStdString();
    const std::vector<ZipEntry> entries = list(zip);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, QStringLiteral("src/a.txt"));
    EXPECT_EQ(entries[1].name, QStringLiteral("src/c.txt"));
    EXPECT_EQ(run(QStringLiteral("unzip"), {QStringLiteral("-t"), zip}).exitCode, 0);
    EXPECT_EQ(unzipped(zip, QStringLiteral("src/c.txt")), "gamma");

    // A name that is not there changes nothing and says which.
    const QByteArray before = ReadFile(zip);
    EXPECT_NE(remove(zip, {QStringLiteral("b.txt")}), 0);
    EXPECT_TRUE(lastError.contains(QStringLiteral("b.txt")));
    EXPECT_EQ(ReadFile(zip), before);
}

TEST_F(Archive, RemovingTheLastEntryLeavesAnEmptyArchive) {
    const QString zip = path(QStringLiteral("one.zip"));
    ASSERT_EQ(add(zip, {file(QStringLiteral("only.txt"), "x")}), 0);
    ASSERT_EQ(remove(zip, {QStringLiteral("only.txt")}), 0) << lastError.toStdString();
    ASSERT_TRUE(QFileInfo::exists(zip));
    const PeerRun r = run(QStringLiteral("unzip"), {QStringLiteral("-l"), zip});
    EXPECT_TRUE(r.out.contains(QStringLiteral("zipfile is empty"))) << r.out.toStdString();
    // It lists as no entry and no error, and takes files again.
    int code = -1;
    EXPECT_TRUE(list(zip, &code).empty());
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(shell.boxes.empty());
    ASSERT_EQ(add(zip, {file(QStringLiteral("again.txt"), "y")}), 0);
    EXPECT_EQ(list(zip).size(), 1u);
}

TEST_F(Archive, AnAddOfManyFilesAtOnce) {
    QStringList files;
    for (int i = 0; i < 150; ++i)
        files << file(QStringLiteral("many/f%1.txt").arg(i, 3, 10, QLatin1Char('0')), TextBytes(100 + i));
    const QString zip = path(QStringLiteral("many.zip"));
    ASSERT_EQ(add(zip, files), 0) << lastError.toStdString();
    const std::vector<ZipEntry> entries = list(zip);
    ASSERT_EQ(entries.size(), 150u);
    EXPECT_EQ(entries[149].name, QStringLiteral("f149.txt"));
    EXPECT_EQ(entries[149].uncompressed, 249);
    EXPECT_EQ(run(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip}).exitCode, 0);
}

TEST_F(Archive, AFailedAddLeavesTheArchiveAsItWas) {
    const QString zip = path(QStringLiteral("keep.zip"));
    ASSERT_EQ(add(zip, {file(QStringLiteral("a.txt"), "a")}), 0);
    const QByteArray before = ReadFile(zip);

    // One file of several cannot be read: nothing of the Add is written, and the message names it.
    const QString missing = path(QStringLiteral("gone.txt"));
    EXPECT_EQ(add(zip, {file(QStringLiteral("b.txt"), "b"), missing}), ZIP_ER_OPEN);
    EXPECT_TRUE(lastError.contains(missing)) << lastError.toStdString();
    EXPECT_EQ(ReadFile(zip), before);
    EXPECT_NE(add(zip, {path(QStringLiteral("one"))}), 0) << "a folder is not a file to add";

    // A file of that name that is not an archive is not overwritten.
    const QString notZip = file(QStringLiteral("letter.zip"), "Dear Jo,\n");
    EXPECT_EQ(add(notZip, {path(QStringLiteral("a.txt"))}), ZIP_ER_NOZIP);
    EXPECT_TRUE(lastError.contains(notZip));
    EXPECT_EQ(ReadFile(notZip), "Dear Jo,\n");

    // No archive comes into being for a failed first Add.
    const QString fresh = path(QStringLiteral("fresh.zip"));
    EXPECT_NE(add(fresh, {missing}), 0);
    EXPECT_FALSE(QFileInfo::exists(fresh));
}

TEST_F(Archive, ADamagedArchiveIsToldWithItsCode) {
    const QString zip = path(QStringLiteral("good.zip"));
    ASSERT_EQ(add(zip, {file(QStringLiteral("a.txt"), TextBytes(4000)), file(QStringLiteral("b.txt"), "b")}), 0);
    QByteArray bytes = ReadFile(zip);
    const QString cut = file(QStringLiteral("cut.zip"), bytes.left(bytes.size() - 30));
    int code = 0;
    EXPECT_TRUE(list(cut, &code).empty());
    EXPECT_NE(code, 0);
    ASSERT_EQ(shell.boxes.size(), 1u);
    const MsgBoxRequest& box = shell.boxes[0];
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("Zip-Error %1\n").arg(code))) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(cut));
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_TRUE(box.title.isEmpty()) << "the program's name";

    shell.boxes.clear();
    list(path(QStringLiteral("no such.zip")), &code);
    EXPECT_EQ(code, ZIP_ER_NOENT);
    ASSERT_EQ(shell.boxes.size(), 1u);
}

TEST_F(Archive, EntriesOfMoreThanTwoGibibytes) {
    // A sparse file: its size is real, its blocks are not.
    const QString big = path(QStringLiteral("big.img"));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(int64_t{2049} * 1024 * 1024 + 5));
    }
    const QString zip = path(QStringLiteral("big.zip"));
    ASSERT_EQ(add(zip, {big}), 0) << lastError.toStdString();
    const std::vector<ZipEntry> ours = list(zip);
    ASSERT_EQ(ours.size(), 1u);
    EXPECT_EQ(ours[0].uncompressed, int64_t{2049} * 1024 * 1024 + 5);
    expectSame(ours, unzipListing(zip));
    EXPECT_EQ(run(QStringLiteral("unzip"), {QStringLiteral("-tq"), zip}).exitCode, 0);
}

TEST(ZipInfoLine, TheTwoNumberForms) {
    EXPECT_EQ(ZipSizeText(0), QStringLiteral("0"));
    EXPECT_EQ(ZipSizeText(1024), QStringLiteral("1,024"));
    EXPECT_EQ(ZipSizeText(1025), QStringLiteral("1.001 kB"));
    EXPECT_EQ(ZipInfoText(900, 3000), QStringLiteral("900 / 2.930 kB"));
    EXPECT_EQ(ZipSizeText(int64_t{5000000000}), QStringLiteral("4,882,812.500 kB"));
    // The user's locale decides the signs.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ZipInfoText(1536, 2048000), QStringLiteral("1,500 kB / 2.000,000 kB"));
    QLocale::setDefault(saved);
}

} // namespace
