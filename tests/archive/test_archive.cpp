// The archive editor and listing against Debian's zip and unzip: what we write, unzip reads and tests;
// what zip writes, we list.

#include "archive/ArchiveEditor.h"
#include "archive/ArchiveListing.h"
#include "support/Files.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zip.h>

#include <sys/stat.h>

namespace {

// A peer program's exit status and its standard output (and error, merged, unless only the output is wanted).
std::pair<int, QByteArray> peer(const QStringList& command, const QString& workDir = {}, bool merged = true) {
    QProcess p;
    p.setProcessChannelMode(merged ? QProcess::MergedChannels : QProcess::SeparateChannels);
    p.setWorkingDirectory(workDir);
    p.start(command[0], command.mid(1));
    const bool done = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit;
    return {done ? p.exitCode() : -1, p.readAllStandardOutput()};
}

// Text that compresses as real text does: words drawn from a small vocabulary, lines of varying length.
QByteArray TextBytes(int64_t size) {
    static const char* words[] = {"archive", "piece", "split", "mail", "disk",     "folder",  "size",   "the",
                                  "of",      "and",   "batch", "copy", "receiver", "message", "server", "byte"};
    QByteArray text;
    for (uint32_t x = 12345; text.size() < size;) {
        x = x * 1103515245u + 12345u;
        text += words[(x >> 16) % 16];
        text += ((x >> 8) % 11 == 0) ? '\n' : ' ';
    }
    text.truncate(size);
    return text;
}

class Archive : public ::testing::Test {
protected:
    QString file(const QString& name, const QByteArray& bytes) {
        WriteFile(dir.filePath(name), bytes);
        return dir.filePath(name);
    }
    int add(const QString& archive, const QStringList& files) {
        ArchiveEditor editor(archive);
        const int code = editor.add(files);
        lastError = editor.errorText();
        return code;
    }
    int remove(const QString& archive, const QStringList& names) {
        ArchiveEditor editor(archive);
        const int code = editor.remove(names);
        lastError = editor.errorText();
        return code;
    }
    // Our listing, one entry a line: "name size packed".
    QString listed(const QString& archive, int* code = nullptr, QString* reason = nullptr) {
        QStringList lines;
        const int c = ListArchive(
            archive,
            [&](const ZipEntry& e) {
                lines << QStringLiteral("%1 %2 %3").arg(e.name).arg(e.uncompressed).arg(e.compressed);
            },
            reason);
        if (code)
            *code = c;
        return lines.join(u'\n');
    }
    QString names(const QString& archive) {
        return listed(archive).replace(QRegularExpression(u" \\d+ \\d+"_qs), u""_qs);
    }
    // What unzip -Z -l lists, in the same form: "-rw-r--r--  3.0 unx  8893 tx  4200 defX 26-Dec-07 01:28 a b.txt".
    static QString unzipListed(const QString& archive) {
        const auto [code, out] = peer({u"unzip"_qs, u"-Z"_qs, u"-l"_qs, archive});
        EXPECT_EQ(code, 0) << out.toStdString();
        static const QRegularExpression line(
            uR"(^\S{10}\s+\S+\s+\S+\s+(\d+)\s+\S+\s+(\d+)\s+\S+\s+\S+\s+\d\d:\d\d (.*)$)"_qs,
            QRegularExpression::MultilineOption);
        QStringList lines;
        for (auto it = line.globalMatch(QString::fromUtf8(out)); it.hasNext();) {
            const auto m = it.next();
            lines << m.captured(3) + u' ' + m.captured(1) + u' ' + m.captured(2);
        }
        return lines.join(u'\n');
    }
    static int unzipTest(const QString& archive) { return peer({u"unzip"_qs, u"-tq"_qs, archive}).first; }
    static QByteArray unzipped(const QString& archive, const QString& entry) {
        return peer({u"unzip"_qs, u"-p"_qs, archive, entry}, {}, false).second;
    }

    QTemporaryDir dir;
    QString lastError;
};

TEST_F(Archive, WhatWeWriteUnzipTestsAndWhatZipWroteWeListAlike) {
    const QByteArray text = TextBytes(300000), noise = PatternBytes(70000, 7);
    const QString zip = dir.filePath(u"out.zip"_qs);
    ASSERT_EQ(add(zip, {file(u"one/report text.txt"_qs, text), file(u"two/noise.bin"_qs, noise),
                        file(u"two/empty"_qs, {}), file(u"two/grüße.txt"_qs, "hallo\n")}),
              0)
        << lastError.toStdString();
    EXPECT_EQ(unzipTest(zip), 0);
    EXPECT_EQ(listed(zip), unzipListed(zip));
    EXPECT_EQ(names(zip), u"report text.txt\nnoise.bin\nempty\ngrüße.txt"); // names only, in the order given
    EXPECT_EQ(unzipped(zip, u"report text.txt"_qs), text);
    EXPECT_EQ(unzipped(zip, u"noise.bin"_qs), noise);
    EXPECT_LT(listed(zip).section(u'\n', 0, 0).section(u' ', 3).toInt(), 300000 / 3); // deflated
    // A Unix entry with the file's permissions, so that unzip restores a normal file.
    const QByteArray info = peer({u"unzip"_qs, u"-Z"_qs, zip}).second;
    EXPECT_TRUE(QString::fromUtf8(info).contains(QRegularExpression(uR"(-rw-\S{6}\s+\S+\s+unx\s+300000 )"_qs)));

    // What zip wrote: folder entries and full names, a long one whole.
    const QString longName = u"src/deeper/"_qs + QString(u'n').repeated(200) + u".txt"_qs;
    file(longName, "x");
    file(u"src/b.bin"_qs, noise);
    const QString byZip = dir.filePath(u"byzip.zip"_qs);
    ASSERT_EQ(peer({u"zip"_qs, u"-9"_qs, u"-q"_qs, u"-r"_qs, byZip, u"src"_qs}, dir.path()).first, 0);
    EXPECT_EQ(listed(byZip), unzipListed(byZip));
    EXPECT_TRUE(names(byZip).contains(longName));

    QStringList many; // in one Add
    for (int i = 0; i < 150; ++i)
        many << file(QStringLiteral("many/f%1.txt").arg(i, 3, 10, QLatin1Char('0')), TextBytes(100 + i));
    ASSERT_EQ(add(dir.filePath(u"many.zip"_qs), many), 0) << lastError.toStdString();
    EXPECT_TRUE(listed(dir.filePath(u"many.zip"_qs)).section(u'\n', 149).startsWith(u"f149.txt 249 "_qs));
}

TEST_F(Archive, AddReplacesTheSameNameAndRemoveTakesTheFullName) {
    const QString zip = dir.filePath(u"r.zip"_qs);
    ASSERT_EQ(add(zip, {file(u"a/notes.txt"_qs, "first"), file(u"a/keep.txt"_qs, "keep")}), 0);
    // An older file of the same name replaces it too: a plain add, not update-if-newer.
    const QString later = file(u"b/notes.txt"_qs, "second, from another folder");
    QFile(later).setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime);
    ASSERT_EQ(add(zip, {later}), 0);
    EXPECT_EQ(names(zip), u"notes.txt\nkeep.txt");
    EXPECT_EQ(unzipped(zip, u"notes.txt"_qs) + unzipped(zip, u"keep.txt"_qs), "second, from another folderkeep");

    file(u"src/sub/b.txt"_qs, "beta");
    file(u"src/c.txt"_qs, "gamma");
    const QString three = dir.filePath(u"three.zip"_qs);
    ASSERT_EQ(
        peer({u"zip"_qs, u"-q"_qs, three, u"a/keep.txt"_qs, u"src/sub/b.txt"_qs, u"src/c.txt"_qs}, dir.path()).first,
        0);
    ASSERT_EQ(remove(three, {u"src/sub/b.txt"_qs}), 0) << lastError.toStdString();
    EXPECT_EQ(names(three), u"a/keep.txt\nsrc/c.txt");
    EXPECT_EQ(unzipped(three, u"src/c.txt"_qs), "gamma");
    for (const QString& archive : {zip, three})
        EXPECT_EQ(unzipTest(archive), 0);
    // A name that is not there changes nothing and says which.
    const QByteArray before = ReadFile(three);
    EXPECT_NE(remove(three, {u"b.txt"_qs}), 0);
    EXPECT_TRUE(lastError.contains(u"b.txt"_qs));
    EXPECT_EQ(ReadFile(three), before);

    // The last one leaves an empty archive that lists as no entry and no error, and takes files again.
    ASSERT_EQ(remove(zip, {u"notes.txt"_qs, u"keep.txt"_qs}), 0) << lastError.toStdString();
    EXPECT_TRUE(peer({u"unzip"_qs, u"-l"_qs, zip}).second.contains("zipfile is empty"));
    int code = -1;
    EXPECT_EQ(listed(zip, &code), u"");
    EXPECT_EQ(code, 0);
}

TEST_F(Archive, AFailedAddLeavesTheArchiveAsItWas) {
    const QString zip = dir.filePath(u"keep.zip"_qs);
    ASSERT_EQ(add(zip, {file(u"a.txt"_qs, "a")}), 0);
    const QString missing = dir.filePath(u"gone.txt"_qs);
    const QString notZip = file(u"letter.zip"_qs, "Dear Jo,\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(u"pipe"_qs)).constData(), 0600), 0);
    const std::tuple<QString, QStringList, int, QString> cases[] = {
        // archive, files, code, named in the message
        {zip, {file(u"b.txt"_qs, "b"), missing}, ZIP_ER_OPEN, missing}, // one of several cannot be read
        {zip, {dir.filePath(u"one"_qs)}, ZIP_ER_OPEN, dir.filePath(u"one"_qs)},
        {notZip, {dir.filePath(u"a.txt"_qs)}, ZIP_ER_NOZIP, notZip},      // not an archive: not overwritten
        {dir.filePath(u"fresh.zip"_qs), {missing}, ZIP_ER_OPEN, missing}, // no archive for a failed first Add
        // only ordinary files: a named pipe would block the Add for ever, a device never end
        {zip, {dir.filePath(u"pipe"_qs)}, ZIP_ER_OPEN, dir.filePath(u"pipe"_qs) + u": it is a named pipe (FIFO)"_qs},
        {zip, {u"/dev/zero"_qs}, ZIP_ER_OPEN, u"/dev/zero: it is a character device, not an ordinary file"_qs},
    };
    for (const auto& [archive, files, code, named] : cases) {
        const QByteArray was = QFile::exists(archive) ? ReadFile(archive) : QByteArray();
        EXPECT_EQ(add(archive, files), code);
        EXPECT_TRUE(lastError.contains(named)) << lastError.toStdString();
        EXPECT_EQ(QFile::exists(archive) ? ReadFile(archive) : QByteArray(), was);
    }
}

TEST_F(Archive, ADamagedMissingOrOtherFileGivesItsCodeAndReason) {
    const QString zip = dir.filePath(u"good.zip"_qs);
    ASSERT_EQ(add(zip, {file(u"a.txt"_qs, TextBytes(4000)), file(u"b.txt"_qs, "b")}), 0);
    const QByteArray bytes = ReadFile(zip);
    const std::pair<QString, int> cases[] = {
        // damaged: the end record is there, the directory it points to is not; any code but the two below
        {file(u"cut.zip"_qs, bytes.left(100) + bytes.right(22)), 0},
        {file(u"cut short.zip"_qs, bytes.left(bytes.size() - 30)), ZIP_ER_NOZIP}, // no end record: no archive
        {dir.filePath(u"no such.zip"_qs), ZIP_ER_NOENT},
        {file(u"film.mkv"_qs, PatternBytes(70000)), ZIP_ER_NOZIP},
    };
    for (const auto& [archive, expected] : cases) {
        int code = 0;
        QString reason;
        EXPECT_EQ(listed(archive, &code, &reason), u"");
        if (expected)
            EXPECT_EQ(code, expected);
        else
            EXPECT_TRUE(code != 0 && code != ZIP_ER_NOENT && code != ZIP_ER_NOZIP) << code;
        EXPECT_TRUE(reason.contains(archive) && !reason.contains(u'\n')) << reason.toStdString();
    }
}

TEST_F(Archive, EntriesOfMoreThanTwoGibibytes) {
    const QString big = file(u"big.img"_qs, {}); // a sparse file: its size is real, its blocks are not
    ASSERT_TRUE(QFile(big).resize(int64_t{2049} * 1024 * 1024 + 5));
    const QString zip = dir.filePath(u"big.zip"_qs);
    ASSERT_EQ(add(zip, {big}), 0) << lastError.toStdString();
    EXPECT_TRUE(listed(zip).startsWith(u"big.img 2148532229 "_qs)) << listed(zip).toStdString();
    EXPECT_EQ(listed(zip), unzipListed(zip));
    EXPECT_EQ(unzipTest(zip), 0);
}

TEST(ZipInfoLine, TheTwoNumberForms) {
    EXPECT_EQ(ZipSizeText(0) + u'|' + ZipSizeText(1024) + u'|' + ZipSizeText(1025) + u'|' +
                  ZipSizeText(int64_t{5000000000}),
              u"0|1,024|1.001 kB|4,882,812.500 kB");
    EXPECT_EQ(ZipInfoText(900, 3000), u"900 / 2.930 kB");
    const QLocale saved; // the user's locale decides the signs
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ZipInfoText(1536, 2048000), u"1,500 kB / 2.000,000 kB");
    QLocale::setDefault(saved);
}

} // namespace
