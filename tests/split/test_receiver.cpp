// The checksum list and the join script, run as a receiver runs them: sha256sum -c, and the script under every
// POSIX shell this machine has.

#include "core/JobError.h"
#include "core/Sha256.h"
#include "split/SplitFile.h"
#include "support/JobTest.h"

#include <QProcess>
#include <QStandardPaths>

#include <openssl/evp.h>

namespace {

struct Ran {
    int exitCode = -1;
    QString out, err;
};

Ran runIn(const QString& folder, const QString& program, const QStringList& args, const QString& path = {}) {
    QProcess p;
    p.setWorkingDirectory(folder);
    if (!path.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"PATH"_qs, path);
        p.setProcessEnvironment(env);
    }
    p.start(program, args);
    // Only a guard against a hang: a thousand pieces take a minute on a busy machine.
    EXPECT_TRUE(p.waitForFinished(900000)) << program.toStdString();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// dash, busybox's sh, and bash as POSIX sh (what macOS runs as /bin/sh): those that are here.
QList<QStringList> shells() {
    QList<QStringList> found;
    for (const QStringList& shell :
         {QStringList{u"dash"_qs}, QStringList{u"busybox"_qs, u"sh"_qs}, QStringList{u"bash"_qs, u"--posix"_qs}})
        if (!QStandardPaths::findExecutable(shell[0]).isEmpty())
            found << shell;
    return found;
}

using Receiver = JobTest;

TEST_F(Receiver, TheScriptRebuildsAndNamesEveryBadPiece) {
    // A folder of tools without sha256sum and shasum: the script joins without a check.
    const QString bare = folder(u"bare-bin"_qs);
    for (const char* tool : {"cat", "mv", "rm", "awk", "cut"})
        QFile::link(QStandardPaths::findExecutable(QString::fromLatin1(tool)), bare + u'/' + QString::fromLatin1(tool));
    const QByteArray other = PatternBytes(2500000, 7);
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        // what happens to the set, the file's name, exit status, what the script says ("*" any text)
        {"", "Tom's $HOME `x` file.zip", 0,
         "Tom's $HOME `x` file.zip is rebuilt, and its checksum is the one in Tom's $HOME `x` file.sha256.\n"},
        {"missing 2", "report.zip", 1, "These pieces are missing:\n  report.002\nNothing was joined.\n"},
        {"changed 3", "report.zip", 1,
         "These pieces are not the ones report.sha256 names (damaged, or of another file):\n  report.003\nNothing "
         "was joined.\n"},
        {"other 1", "report.zip", 1, "*:\n  report.001\nNothing was joined.\n"},
        {"no tools", "report.zip", 0,
         "Neither sha256sum nor shasum is here: the pieces are joined without a check.\n|report.zip is rebuilt, "
         "without a check.\n"},
        // the longest name a set with receiver files takes ($LONG: 241 letters), a list that went through Windows,
        // and a name that sh would read as options, run from the folder above by a path that starts with "-"
        {"", "$LONG.zip", 0, "$LONG.zip is rebuilt, and its checksum is the one in $LONG.sha256.\n"},
        {"crlf", "report.zip", 0, "report.zip is rebuilt, and its checksum is the one in report.sha256.\n"},
        {"from above", "-report.zip", 0, "-report.zip is rebuilt, and its checksum is the one in -report.sha256.\n"},
        // hashed by the writer alone (one core), and by a thread for each hash; pieces that end inside a block
        {"0 threads", "report.zip", 0, "report.zip is rebuilt, and its checksum is the one in report.sha256.\n"},
        {"2 threads", "report.zip", 0, "report.zip is rebuilt, and its checksum is the one in report.sha256.\n"},
    };
    const auto expand = [](const char* text) {
        return QString::fromUtf8(text).replace(u"$LONG"_qs, QString(241, u'x'));
    };
    int row = 0;
    for (const QStringList& sh : shells()) {
        for (const auto& [change, name, status, said] : cases) {
            SCOPED_TRACE(sh.join(u' ').toStdString() + " " + change);
            const QString what = QString::fromUtf8(change), fileName = expand(name);
            const QString set = QStringLiteral("%1set%2").arg(what == u"from above" ? u"-" : u"").arg(++row);
            const QString out = folder(set);
            const QByteArray bytes = PatternBytes(2500000, static_cast<uint32_t>(row));
            const QString source = file(QStringLiteral("src%1/").arg(row) + fileName, bytes);
            const bool threads = what.endsWith(u"threads");
            if (threads)
                qputenv("BREVIMO_HASH_THREADS", what.left(1).toLatin1());
            const int count = SplitFile(source, threads ? 1000003 : 1 << 20, out, false, shell, true);
            qunsetenv("BREVIMO_HASH_THREADS");
            ASSERT_EQ(count, 3);
            const QString base = fileName.section(u'.', 0, 0) + u'.';
            if (what == u"from above") { // its comment says how to run it, also then
                EXPECT_TRUE(
                    ReadFile(out + u"/-report.sh"_qs).contains("# Run it where the pieces are: sh './-report.sh'\n"));
            }
            if (what.startsWith(u"missing"))
                QFile::remove(out + u"/report.002"_qs);
            if (what.startsWith(u"changed")) {
                QByteArray piece = ReadFile(out + u"/report.003"_qs);
                piece[1000] = static_cast<char>(piece[1000] ^ 1);
                WriteFile(out + u"/report.003"_qs, piece);
            }
            if (what.startsWith(u"other"))
                WriteFile(out + u"/report.001"_qs, other.left(1 << 20));
            if (what == u"crlf")
                WriteFile(out + u"/report.sha256"_qs, ReadFile(out + u"/report.sha256"_qs).replace("\n", "\r\n"));
            const Ran r = what == u"from above" ? runIn(dir.path(), sh[0],
                                                        sh.mid(1) + QStringList{u"--"_qs, set + u'/' + base + u"sh"_qs})
                                                : runIn(out, sh[0], sh.mid(1) + QStringList{u"./"_qs + base + u"sh"_qs},
                                                        what == u"no tools" ? bare : QString());
            const QString seen = what == u"no tools" ? r.err + u'|' + r.out : status ? r.err : r.out;
            EXPECT_EQ(r.exitCode, status) << r.err.toStdString();
            EXPECT_TRUE(Matches(seen, expand(said))) << seen.toStdString();
            EXPECT_EQ(QFileInfo::exists(out + u'/' + fileName), status == 0);
            if (status == 0) {
                EXPECT_TRUE(ReadFile(out + u'/' + fileName) == bytes);
                // The list is sha256sum's: it checks the pieces and the rebuilt file as they are.
                const Ran check = runIn(out, u"sha256sum"_qs, {u"-c"_qs, u"--"_qs, base + u"sha256"_qs});
                EXPECT_EQ(QString::number(check.exitCode) + QString::number(check.out.count(u": OK"_qs)), u"04");
            }
            EXPECT_EQ(QDir(out).entryList({u"*joining*"_qs}, QDir::Files | QDir::Hidden).join(u' '), u"")
                << "nothing half made";
        }
    }
    EXPECT_GE(row, 8) << "no POSIX shell to run the script";
}

// A thousand pieces join in numeric order (report.999 before report.1000), where cat report.* would not.
TEST_F(Receiver, AThousandPiecesJoinInOrder) {
    const QByteArray bytes = PatternBytes(1000 * 300 + 17);
    const QString out = folder(u"many"_qs);
    ASSERT_EQ(SplitFile(file(u"src/many.bin"_qs, bytes), 300, out, false, shell, true), 1001);
    const Ran r = runIn(out, u"dash"_qs, {u"many.sh"_qs});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(ReadFile(out + u"/many.bin"_qs) == bytes);
}

// Against OpenSSL, in parts that end anywhere in a block; two hashes at once, the second a few bytes ahead so
// that their blocks begin at other places in the same bytes.
TEST(Sha256, TheSameDigestInAnyParts) {
    constexpr qsizetype m = 1048876, k = 262144; // a mebibyte and then some, the hasher's buffer size
    const QByteArray bytes = PatternBytes(m);
    const auto expected = [](const QByteArray& data) {
        unsigned char digest[32];
        EVP_Digest(data.constData(), static_cast<size_t>(data.size()), digest, nullptr, EVP_sha256(), nullptr);
        return QByteArray(reinterpret_cast<const char*>(digest), 32).toHex();
    };
    // length, part size, bytes the second hash has before
    const std::tuple<qsizetype, qsizetype, qsizetype> cases[] = {
        {0, 1, 0},     {3, 1, 0},     {55, 55, 0},    {56, 56, 9},      {63, 7, 1}, {64, 64, 0},   {65, 13, 63},
        {119, 64, 64}, {120, 120, 5}, {1000, 65, 30}, {4097, 4097, 17}, {m, k, 0},  {m, k + 3, 44}};
    for (const auto& [length, part, ahead] : cases) {
        SCOPED_TRACE(std::to_string(length) + " " + std::to_string(part) + " " + std::to_string(ahead));
        Sha256 one, a, b;
        const QByteArray data = bytes.left(length), before = bytes.right(ahead);
        b.update(before.constData(), static_cast<size_t>(ahead));
        for (qsizetype at = 0; at < length; at += part) {
            const size_t n = static_cast<size_t>(std::min(part, length - at));
            one.update(data.constData() + at, n);
            Sha256::updateBoth(a, b, data.constData() + at, n);
        }
        EXPECT_EQ(one.hex(), expected(data));
        EXPECT_EQ(a.hex(), expected(data));
        EXPECT_EQ(b.hex(), expected(before + data));
        EXPECT_EQ(a.hex(), expected({})) << "afresh after hex()";
    }
}

// The list and the script are written only when asked for; a file of that name that is not ours is never
// overwritten, and a source of that name is refused.
TEST_F(Receiver, OnlyWhenAskedAndNeverOverAnotherFile) {
    const QString source = file(u"src/report.zip"_qs, PatternBytes(5000));
    const QString out = folder(u"out"_qs);
    SplitFile(source, 2000, out, false, shell, true);
    EXPECT_EQ(Listing(out), u"report.001 report.002 report.003 report.bat report.sh report.sha256");
    SplitFile(source, 3000, out, false, shell, false); // ours from before would speak of other pieces
    EXPECT_EQ(Listing(out), u"report.001 report.002 report.bat");
    WriteFile(out + u"/report.sh"_qs, "#!/bin/sh\necho my own script\n");
    EXPECT_TRUE(Thrown<JobError>([&] {
                    SplitFile(source, 3000, out, false, shell, true);
                }).contains(u"already holds '"_qs + out + u"/report.sh', which Brevimo did not write"_qs));
    SplitFile(source, 3000, out, false, shell, false);
    EXPECT_EQ(ReadFile(out + u"/report.sh"_qs), "#!/bin/sh\necho my own script\n");
    const QString script = file(u"tools/install.sh"_qs, "echo hi\n");
    EXPECT_TRUE(Thrown<JobError>([&] {
                    SplitFile(script, 3000, out, false, shell, true);
                }).startsWith(u"'install.sh' has the name of its own checksum list or join script."_qs));
}

} // namespace
