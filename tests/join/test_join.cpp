// The receiver's side: what the files beside a set say, read strictly, and the real program joining sets that the
// splitter made, whole, damaged, mixed, incomplete or without their lists.

#include "core/JobError.h"
#include "core/PathNames.h"
#include "join/JoinFile.h"
#include "join/PieceSet.h"
#include "join/SetFiles.h"
#include "split/BatchFile.h"
#include "split/ReceiverFiles.h"
#include "split/SplitFile.h"
#include "support/Files.h"
#include "support/Peers.h"
#include "support/ScriptedShell.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

#include <gtest/gtest.h>

namespace {

// Lists and batch files as this program writes them and as somebody else might: what is joined, or the refusal.
TEST(SetFiles, ReadStrictlyAndRefusedWithTheirLine) {
    const QByteArray a(64, 'a'), b(64, 'b');
    const QByteArray list = ChecksumList(u"report.zip"_qs, u"report."_qs, {a, b}, a);
    const std::tuple<const char*, QByteArray, QByteArray> cases[] = {
        // list or batch, its text, "pieces -> file" or the message ("*" any text; "-" no copy lines)
        {"list", list, "report.001 report.002 -> report.zip"},
        {"list", QByteArray(list).replace("\n", "\r\n"), "report.001 report.002 -> report.zip"},
        {"list", a + " *report.001\n" + b.toUpper() + "  report.zip\n", "report.001 -> report.zip"},
        {"list", a + "  report.001\n" + a + "  ../report.zip\n",
         "Line 2 of 'L' cannot be used: the name '../report.zip' leads out of the folder of the set\n    " + a +
             "  ../report.zip\n*"},
        {"list", a + "  /etc/passwd\n" + a + "  report.zip\n", "Line 1 of 'L'*'/etc/passwd' leads out of the folder*"},
        {"list", a + "  C:report.001\n" + a + "  report.zip\n", "Line 1 of 'L'*'C:report.001' leads out*"},
        {"list", a + "  report.001\n" + a + "  con.zip\n", "Line 2 of 'L'*'con.zip' names a device*"},
        {"list", a + "  report.001\n" + a + "  report\x1b.zip\n", "Line 2 *'report?.zip' holds a control character*"},
        {"list", a + "  other.001\n" + a + "  report.zip\n",
         "Line 1 of 'L' cannot be used: 'other.001' is not the piece of report.zip that belongs here (report.001)*"},
        {"list", a + "  report.002\n" + a + "  report.001\n" + a + "  report.zip\n", "Line 1 *(report.001)*"},
        {"list", a + "  report.01\n" + a + "  report.zip\n", "Line 1 *'report.01' is not the piece*"},
        {"list", "rm -rf ~  report.001\n" + a + "  report.zip\n", "Line 1 *not a line of a checksum list*"},
        {"list", a + "  report.zip\n", "'L' names no piece*"},
        {"batch", BatchFileText(u"report.zip"_qs, u"report."_qs, 3, true),
         "report.001 report.002 report.003 -> report.zip"},
        {"batch", BatchFileText(u"Fotos_M\u00e4rz.zip"_qs, u"Fotos_M\u00e4rz."_qs, 1, false),
         "Fotos_M\u00e4rz.001 -> Fotos_M\u00e4rz.zip"},
        {"batch", BatchFileText(u"100% \u20ac.tar.gz"_qs, u"100% \u20ac."_qs, 2, false),
         "100% \u20ac.001 100% \u20ac.002 -> 100% \u20ac.tar.gz"},
        {"batch", "@echo off\r\ncopy/b \"report.002\" \"report.zip\"\r\ncopy/b \"report.zip\" + \"report.001\"\r\n",
         "report.002 report.001 -> report.zip"},
        {"batch", "@echo off\r\ncopy/b \"..\\report.001\" \"report.zip\"\r\n",
         "Line 2 of 'L'*'..\\report.001' leads out of the folder*"},
        {"batch", "copy/b \"report.001\" \"C:\\Windows\\win.ini\"\r\n", "Line 1 *leads out of the folder*"},
        {"batch", "copy /b \"report.001\" \"report.zip\"\r\n", "Line 1 *not a copy line*"},
        {"batch", "copy/b \"report.001\" \"report.zip\"\r\nCOPY \\\\host\\x report.zip\r\n",
         "Line 2 *not a copy line*"},
        {"batch", "copy/b \"report.001\" \"report.zip\"\r\ncopy/b \"other.zip\" + \"report.002\"\r\n",
         "Line 2 *not a copy line*"},
        {"batch", "copy/b \"report.001\" \"report.zip\"\r\ncopy/b \"report.zip\" + \"report.001\"\r\n",
         "Line 2 *the piece 'report.001' is joined twice*"},
        {"batch", "copy/b \"report.001\" \"report.zip\"\r\ncopy/b \"report.zip\" + \"evil.exe\"\r\n",
         "Line 2 *'evil.exe' is not the piece of report.zip*"},
        {"batch", "@echo off\r\nformat c:\r\n", "-"},
        {"batch", "rem copyright 2026\r\ncopyright\r\ncopy/b \"report.001\" \"report.zip\"\r\n",
         "report.001 -> report.zip"},
    };
    for (const auto& [kind, text, expected] : cases) {
        SCOPED_TRACE(text.toStdString());
        QString seen;
        try {
            const std::optional<ListedSet> set = QByteArray(kind) == "list"
                                                     ? std::optional(ReadChecksumList(u"L"_qs, text))
                                                     : ReadBatchCopies(u"L"_qs, text);
            seen = set ? set->pieces.join(u' ') + u" -> "_qs + set->fileName : u"-"_qs;
        } catch (const JobError& e) {
            seen = e.message();
        }
        EXPECT_TRUE(Matches(seen, QString::fromUtf8(expected))) << seen.toStdString();
    }
}

// Which files opened (Open With) go to the join page: those named and made as a set's, not others' that look alike.
TEST(SetFiles, WhatOpeningOffersToJoin) {
    QTemporaryDir dir;
    const std::pair<const char*, QByteArray> cases[] = {
        // name (a "+" before it: offered), content
        {"+report.001", "any bytes"},
        {"+report.1000", ""},
        {"report.01", ""},
        {"+report.sha256", ChecksumList(u"report.zip"_qs, u"report."_qs, {QByteArray(64, 'a')}, QByteArray(64, 'b'))},
        {"+report.sh", JoinScript(u"report.zip"_qs, u"report."_qs, 1)},
        {"+report.bat", BatchFileText(u"report.zip"_qs, u"report."_qs, 2, false)},
        {"+report.txt", BatchFileText(u"report.zip"_qs, u"report."_qs, 2, true)},
        {"notes.txt", "copy this\r\ncopy/b \"a\" \"b\"\r\n"},
        {"build.sh", "#!/bin/sh\nmake\n"},
        {"sums.sha256", "not a list\n"},
        {"report.zip", "PK"},
        {"photos", "no dot"},
    };
    for (const auto& [name, content] : cases) {
        const QString file = dir.filePath(QString::fromUtf8(name).remove(u'+'));
        WriteFile(file, content);
        EXPECT_EQ(IsSetFile(file), *name == '+') << name;
    }
    EXPECT_FALSE(IsSetFile(dir.path())) << "a folder is given by /join: alone";
}

class Join : public ::testing::Test {
protected:
    QString set() const { return dir.filePath(u"set"_qs); }
    QString out() const { return dir.filePath(u"out"_qs); }

    // The set of a file of these bytes, cut into pieces of this size, in folder.
    void makeSet(const QString& folder, const QByteArray& bytes, int64_t pieceSize,
                 const QString& name = u"report.zip"_qs) {
        const QString source = dir.filePath(u"src/"_qs + name);
        WriteFile(source, bytes);
        QDir().mkpath(folder);
        ScriptedShell shell;
        ASSERT_GT(SplitFile(source, pieceSize, folder, false, shell, true), 0);
        QFile::remove(source);
    }

    void start(QProcess& p, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(u"XDG_CONFIG_HOME"_qs, dir.filePath(u"config"_qs));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(BREVIMO_BINARY), args);
        p.closeWriteChannel();
    }
    // "exit status|stdout|stderr"
    static QString finish(QProcess& p) {
        EXPECT_TRUE(p.waitForFinished(120000));
        return QString::number(p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1) + u'|' +
               QString::fromUtf8(p.readAllStandardOutput()) + u'|' + QString::fromUtf8(p.readAllStandardError());
    }

    QTemporaryDir dir;
};

// Replaces the text in a file of the set.
void edit(const QString& path, const QByteArray& from, const QByteArray& to) {
    WriteFile(path, ReadFile(path).replace(from, to));
}

TEST_F(Join, TheProgramJoinsWhatIsWholeAndNothingElse) {
    const QByteArray bytes = PatternBytes(2500000);
    const char* const done = "0|'$OUT/report.zip' is rebuilt from 3 pieces, and each piece and the file have the "
                             "checksums in '$SET/report.sha256'.\n|";
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        // what happens to the set first, the words after /join: ("|" between them), what the program says
        // ("*" any text), what the target folder holds afterwards
        {"", "$SET/report.001|/dst:$OUT|/nui", done, "report.zip"},
        {"", "$SET/report.sha256|/dst:$OUT|/nui", done, "report.zip"},
        {"", "$SET/report.sh|/dst:$OUT|/nui", done, "report.zip"},
        {"", "$SET/report.bat|/dst:$OUT|/nui", done, "report.zip"},
        {"", "$SET|/dst:$OUT|/nui", done, "report.zip"},
        // no /dst: the file goes beside its pieces
        {"", "$SET/report.003|/nui", "0|'$SET/report.zip' is rebuilt*",
         "report.001 report.002 report.003 report.bat report.sh report.sha256 report.zip"},
        {"missing 2", "$SET/report.001|/dst:$OUT|/nui",
         "1||These pieces of 'report.zip' are missing: report.002.\nLooked in: $SET.\nNothing was joined.*", ""},
        {"damaged 3", "$SET/report.001|/dst:$OUT|/nui",
         "1||These pieces are not the ones '$SET/report.sha256' names (damaged, or of another file): report.003.\n*",
         ""},
        {"mixed 2", "$SET/report.001|/dst:$OUT|/nui", "1||These pieces are not the ones *: report.002.\n*", ""},
        {"no list", "$SET/report.bat|/dst:$OUT|/nui",
         "0|'$OUT/report.zip' is rebuilt from 3 pieces, without a check: there was no checksum list beside them.\n|",
         "report.zip"},
        {"no list, short 2", "$SET/report.001|/dst:$OUT|/nui",
         "1||These pieces are not as long as report.001, as every piece of a set but the last is: report.002.*", ""},
        {"no list, no batch", "$SET/report.002|/dst:$OUT|/nui", "0|'$OUT/report' is rebuilt from 3 pieces, without*",
         "report"},
        {"no list, no batch, missing 2", "$SET|/dst:$OUT|/nui", "1||These pieces of 'report' are missing: report.002.*",
         ""},
        {"exists", "$SET/report.001|/dst:$OUT|/nui",
         "1||'$OUT/report.zip' is there already. Replace it with the file joined from the pieces?\n'$OUT/report.zip' "
         "is there already and was not replaced.*",
         "report.zip"},
        {"list leaves", "$SET/report.001|/dst:$OUT|/nui",
         "1||Line 4 of '$SET/report.sha256' cannot be used: the name '../report.zip' leads out of the folder*", ""},
        {"no list, batch leaves", "$SET/report.001|/dst:$OUT|/nui",
         "1||Line * of '$SET/report.bat' cannot be used: the name '/etc/report.003' leads out of the folder*", ""},
        {"two sets", "$SET|/dst:$OUT|/nui",
         "1||The folder '$SET' holds the pieces of more than one set (other.001, report.001).*", ""},
        {"", "$DIR/config|/dst:$OUT|/nui", "1||The folder '$DIR/config' holds no numbered pieces*", ""},
        {"", "$SET/report.zip.txt|/dst:$OUT|/nui", "1||*No such file or directory*", ""},
        {"tmpfs", "$SET/report.001|/dst:$OUT|/nui",
         "1||The folder '$OUT' has * bytes free, and 'report.zip' needs 2,500,000. Nothing was joined*", ""},
    };
    QString notRun;
    for (const auto& [change, words, expected, entries] : cases) {
        SCOPED_TRACE(std::string(change) + " " + words);
        QDir(set()).removeRecursively();
        QDir(out()).removeRecursively();
        QDir().mkpath(out());
        QDir().mkpath(dir.filePath(u"config"_qs));
        makeSet(set(), bytes, 1 << 20);
        const QString c = QString::fromUtf8(change);
        if (c.contains(u"missing 2"_qs))
            QFile::remove(set() + u"/report.002"_qs);
        if (c.contains(u"damaged 3"_qs))
            edit(set() + u"/report.003"_qs, bytes.mid(2 << 20, 40), QByteArray(40, 'x'));
        if (c.contains(u"short 2"_qs))
            QFile(set() + u"/report.002"_qs).resize(1000);
        if (c.contains(u"mixed 2"_qs)) { // piece 2 of another file of the same name
            makeSet(dir.filePath(u"other"_qs), PatternBytes(2500000, 9), 1 << 20);
            QFile::remove(set() + u"/report.002"_qs);
            QFile::copy(dir.filePath(u"other/report.002"_qs), set() + u"/report.002"_qs);
        }
        if (c.contains(u"no list"_qs))
            QFile::remove(set() + u"/report.sha256"_qs);
        if (c.contains(u"no batch"_qs))
            QFile::remove(set() + u"/report.bat"_qs);
        if (c == u"exists")
            WriteFile(out() + u"/report.zip"_qs, "kept");
        if (c == u"list leaves")
            edit(set() + u"/report.sha256"_qs, "  report.zip", "  ../report.zip");
        if (c.contains(u"batch leaves"_qs))
            edit(set() + u"/report.bat"_qs, "+ \"report.003\"", "+ \"/etc/report.003\"");
        if (c == u"two sets")
            makeSet(set(), PatternBytes(10), 1 << 20, u"other.zip"_qs);
        const std::unique_ptr<TmpfsMount> disk(c == u"tmpfs" ? new TmpfsMount(out(), 1 << 20) : nullptr);
        if (disk && !disk->available()) {
            notRun = disk->whyNot();
            continue;
        }
        const auto expand = [&](const char* text) {
            return QString::fromUtf8(text)
                .replace(u"$SET"_qs, set())
                .replace(u"$OUT"_qs, out())
                .replace(u"$DIR"_qs, dir.path());
        };
        QProcess p;
        start(p, (u"/join:"_qs + expand(words)).split(u'|'));
        const QString seen = finish(p);
        EXPECT_TRUE(Matches(seen, expand(expected))) << seen.toStdString();
        const QString target = QString::fromUtf8(words).contains(u"/dst:"_qs) ? out() : set();
        EXPECT_EQ(Listing(target), QString::fromUtf8(entries));
        if (seen.startsWith(u'0')) {
            EXPECT_TRUE(ReadFile(target + u'/' + seen.section(u'\'', 1, 1).section(u'/', -1)) == bytes);
        }
        if (c == u"exists") {
            EXPECT_EQ(ReadFile(out() + u"/report.zip"_qs), "kept");
        }
    }
    if (!notRun.isEmpty())
        GTEST_SKIP() << "the full disk: " << notRun.toStdString();
}

// More than a thousand pieces, their list among them, and a set spread over the folders of a disk series.
TEST_F(Join, LargeAndSpreadSets) {
    const QByteArray bytes = PatternBytes(1100000, 5);
    makeSet(set(), bytes, 1024);
    QDir().mkpath(out());
    ScriptedShell shell;
    const PieceSet whole = FindSet(set() + u"/report.700"_qs);
    ASSERT_EQ(whole.pieces.size(), 1075u);
    EXPECT_EQ(JoinSet(whole, out(), whole.fileName, shell), out() + u"/report.zip"_qs);
    EXPECT_TRUE(ReadFile(out() + u"/report.zip"_qs) == bytes);

    // The first half on one disk, the rest and the list on the other.
    const QString second = dir.filePath(u"disk2"_qs);
    QDir().mkpath(second);
    QStringList moved{u"report.sha256"_qs, u"report.sh"_qs};
    for (int n = 501; n <= 1075; ++n)
        moved << PieceName(u"report."_qs, n);
    for (const QString& name : moved)
        ASSERT_TRUE(QFile::rename(set() + u'/' + name, second + u'/' + name));
    const PieceSet first = FindSet(set() + u"/report.001"_qs);
    EXPECT_EQ(first.from, PieceSet::From::BatchFile);
    EXPECT_EQ(first.missing().size(), 575);
    EXPECT_EQ(first.present(), u"report.001 to report.500"_qs);
    const PieceSet spread = FindSet(set() + u"/report.001"_qs, {second});
    EXPECT_EQ(spread.from, PieceSet::From::ChecksumList);
    EXPECT_TRUE(spread.missing().isEmpty());
    shell.answer(MsgResult::Yes);
    JoinSet(spread, out(), spread.fileName, shell);
    EXPECT_EQ(shell.told().count(u"is there already"_qs), 1) << shell.told().toStdString();
    EXPECT_TRUE(ReadFile(out() + u"/report.zip"_qs) == bytes);
    EXPECT_EQ(Listing(out()), u"report.zip"_qs);
}

// SIGTERM in the middle of a join: the program stops, says so, and the folder holds nothing of it.
TEST_F(Join, ASignalLeavesNothing) {
    QFile sparse(dir.filePath(u"src/big.img"_qs));
    QDir().mkpath(dir.filePath(u"src"_qs));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(int64_t{512} << 20));
    sparse.close();
    QDir().mkpath(set());
    QDir().mkpath(out());
    ScriptedShell shell;
    ASSERT_EQ(SplitFile(sparse.fileName(), 32 << 20, set(), false, shell, true), 16);
    QFile::remove(sparse.fileName());
    QProcess p;
    start(p, {u"/join:"_qs + set(), u"/dst:"_qs + out(), u"/nui"_qs});
    for (QDeadlineTimer deadline(60000); Listing(out()).isEmpty() && !deadline.hasExpired();)
        QThread::msleep(1);
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    const QString seen = finish(p);
    EXPECT_TRUE(Matches(seen, u"1||The join into '"_qs + out() +
                                  u"/big.img' was stopped by SIGTERM. Nothing was "
                                  "written.\n"_qs))
        << seen.toStdString();
    EXPECT_EQ(Listing(out()), QString());
}

} // namespace
