// The real binary with real command lines, without a display and with a settings folder of its own.

#include "support/Files.h"
#include "support/SmtpServer.h"
#include "support/StandInNmcli.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

class EndToEnd : public ::testing::Test {
protected:
    EndToEnd() {
        QDir().mkpath(config());
        QDir().mkpath(folder());
        source = dir.filePath(QStringLiteral("report.zip"));
        WriteFile(source, PatternBytes(2500000));
        nmcli.set("NMCLI_AVAILABLE", u"0"_qs); // as on a machine without NetworkManager
    }

    QString config() const { return dir.filePath(QStringLiteral("config")); }
    QString folder() const { return dir.filePath(QStringLiteral("out")); }
    QString settingsFile() const { return config() + QStringLiteral("/Brevimo/Brevimo.conf"); }

    Outcome run(const QStringList& args, const QString& shellPrefix = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config());
        env.insert(QStringLiteral("HOME"), dir.path());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        if (shellPrefix.isEmpty()) {
            p.start(QStringLiteral(BREVIMO_BINARY), args);
        } else {
            // For limits that only a shell sets (ulimit).
            QStringList shArgs{QStringLiteral("-c"), shellPrefix + QStringLiteral("; exec \"$0\" \"$@\""),
                               QStringLiteral(BREVIMO_BINARY)};
            p.start(QStringLiteral("/bin/sh"), shArgs + args);
        }
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        Outcome r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    QString stored(const QString& key) {
        QSettings s(settingsFile(), QSettings::IniFormat);
        return s.value(key).toString();
    }

    QTemporaryDir dir;
    QString source;
    StandInNmcli nmcli;
};

TEST_F(EndToEnd, FolderJobWithoutWindow) {
    const Outcome r = run({u"/src:"_qs + source, u"/dst:"_qs + folder(), u"/nui"_qs});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, u"There were 3 splitfiles created.\n");
    EXPECT_EQ(r.err, u"");
    EXPECT_EQ(FolderEntries(folder()),
              (QStringList{u"report.001"_qs, u"report.002"_qs, u"report.003"_qs, u"report.bat"_qs}));
    EXPECT_EQ(Concatenate({folder() + u"/report.001"_qs, folder() + u"/report.002"_qs, folder() + u"/report.003"_qs}),
              ReadFile(source));
    EXPECT_EQ(stored(u"SplitDir"_qs), folder());
    EXPECT_EQ(stored(u"SplitSize"_qs), u"1");
}

TEST_F(EndToEnd, SizeComesFromTheCommandLineNotFromTheStore) {
    ASSERT_EQ(run({u"/src:"_qs + source, u"/dst:"_qs + folder(), u"/sze:2"_qs, u"/nui"_qs}).exitCode, 0);
    EXPECT_EQ(stored(u"SplitSize"_qs), u"3");
    EXPECT_EQ(QFile(folder() + u"/report.001"_qs).size(), 2097152);
    // Stored "2 MB" is not used by a command line without /sze:.
    const Outcome r = run({u"/SRC:"_qs + source, u"/DST:"_qs + folder(), u"/NUI"_qs});
    EXPECT_EQ(r.out, u"There were 3 splitfiles created.\n");
    EXPECT_EQ(stored(u"SplitSize"_qs), u"1");
}

TEST_F(EndToEnd, UsageTextEndsWithNothingStored) {
    for (const QStringList& args : {QStringList{u"/?"_qs}, QStringList{u"/src:"_qs + source, u""_qs, u"/nui"_qs},
                                    QStringList{u"/dst:"_qs + folder(), u"/nui"_qs, u"/what"_qs}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        const Outcome r = run(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.startsWith(u"Usage:\n\nSplit files into folder:\nBrevimo /src:<Source> /dst:"));
        EXPECT_TRUE(r.out.endsWith(u"/nui = Do not display user interface.\n"));
    }
    EXPECT_FALSE(QFile::exists(settingsFile()));
    EXPECT_EQ(FolderEntries(folder()), QStringList{});
}

TEST_F(EndToEnd, BadInputIsToldOnStderrWithExitOne) {
    struct Case {
        const char* what;
        QStringList args;
        const char* messagePart;
    };
    WriteFile(dir.filePath(u"two\nlines.zip"_qs), "abc");
    const Case cases[] = {
        {"missing source",
         {u"/src:"_qs + source + u"x"_qs, u"/dst:"_qs + folder(), u"/nui"_qs},
         "report.zipx': No such file or directory"},
        {"empty source", {u"/src:"_qs, u"/dst:"_qs + folder(), u"/nui"_qs}, "No file to split"},
        {"missing folder", {u"/src:"_qs + source, u"/dst:"_qs + folder() + u"/sub"_qs, u"/nui"_qs}, "does not exist"},
        {"line break in the name",
         {u"/src:"_qs + dir.filePath(u"two\nlines.zip"_qs), u"/dst:"_qs + folder(), u"/nui"_qs},
         "a line break"},
        {"mail job without a server", {u"/src:"_qs + source, u"/sto:a@b.test"_qs, u"/nui"_qs}, "No mail server is set"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome r = run(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.messagePart))) << r.err.toStdString();
        EXPECT_EQ(r.out, u"");
        EXPECT_EQ(FolderEntries(folder()), QStringList{});
    }
    // The settings are stored after a failed job too.
    EXPECT_EQ(stored(u"ToEMailAddress01"_qs), u"a@b.test");
}

TEST_F(EndToEnd, FileSizeLimitEndsTheJobWithAMessage) {
    // Files of at most 1500 blocks of 512 bytes: a 512 kB piece fits, a 1 MB piece does not.
    const Outcome small =
        run({u"/src:"_qs + source, u"/dst:"_qs + folder(), u"/sze:512"_qs, u"/nui"_qs}, u"ulimit -f 1500"_qs);
    EXPECT_EQ(small.exitCode, 0) << small.err.toStdString();
    EXPECT_EQ(small.out, u"There were 5 splitfiles created.\n");

    const QDir out(folder());
    for (const QString& name : FolderEntries(folder()))
        QFile::remove(out.filePath(name));
    const Outcome r = run({u"/src:"_qs + source, u"/dst:"_qs + folder(), u"/nui"_qs}, u"ulimit -f 1500"_qs);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"report.001': File too large")) << r.err.toStdString();
    EXPECT_EQ(r.out, u"");
    EXPECT_EQ(FolderEntries(folder()), QStringList{}); // the incomplete piece is gone
}

TEST_F(EndToEnd, PercentInTheNameIsEscapedInTheBatchFile) {
    const QString odd = dir.filePath(u"100%.zip"_qs);
    WriteFile(odd, PatternBytes(10));
    ASSERT_EQ(run({u"/src:"_qs + odd, u"/dst:"_qs + folder(), u"/nui"_qs}).exitCode, 0);
    EXPECT_TRUE(ReadFile(folder() + u"/100%.bat"_qs).contains("copy/b \"100%%.001\" \"100%%.zip\"\r\n"));
}

TEST_F(EndToEnd, MailJobWithoutWindow) {
    SmtpServer server;
    ASSERT_TRUE(server.running());
    QDir().mkpath(config() + u"/Brevimo"_qs);
    WriteFile(settingsFile(),
              "[General]\nHost=" + server.host().toUtf8() + "\nFromEMailAddress=me@x.test\nFriendlyName=Me\n");
    // As a shell hands it over: the quotes are gone and the subject is one word of the argument list.
    const Outcome r = run({u"/src:"_qs + source, u"/sze:512"_qs, u"/sto:a@b.test"_qs, u"/sbj:Big file"_qs, u"/nui"_qs});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, u""); // no success box without a window
    ASSERT_EQ(server.messageCount(), 5);
    EXPECT_EQ(server.connections(), 1);
    EXPECT_TRUE(server.message(5).contains("Subject: Big file 5 of 5\r\n"));
    EXPECT_EQ(server.envelope(1), (QStringList{u"me@x.test"_qs, u"a@b.test"_qs}));
    EXPECT_EQ(stored(u"ToEMailAddress01"_qs), u"a@b.test");
    EXPECT_EQ(stored(u"SplitSize"_qs), u"0");

    // A server that cannot be found: the message, and exit status 1.
    WriteFile(settingsFile(), "[General]\nHost=no-such-host.invalid\nFromEMailAddress=me@x.test\n");
    const Outcome lost = run({u"/src:"_qs + source, u"/sto:a@b.test"_qs, u"/nui"_qs});
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_TRUE(lost.err.contains(u"Host not found!")) << lost.err.toStdString();
    const QRegularExpression kept(u"The pieces are kept in '([^']+)'"_qs);
    const QString folder = kept.match(lost.err).captured(1);
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(QFile::exists(folder + u"/report.001"_qs));
    QDir(folder).removeRecursively();
}

TEST_F(EndToEnd, DialsWhenNetworkManagerAnswersAndNothingIsStored) {
    ASSERT_TRUE(nmcli.ready());
    nmcli.set("NMCLI_AVAILABLE", u"1"_qs);
    nmcli.set("NMCLI_CONNECTIONS", u"Office"_qs);
    SmtpServer server;
    ASSERT_TRUE(server.running());
    nmcli.set("NMCLI_WATCH", server.folder());
    QDir().mkpath(config() + u"/Brevimo"_qs);
    WriteFile(settingsFile(),
              "[General]\nHost=" + server.host().toUtf8() + "\nFromEMailAddress=me@x.test\nRASConnection=Office\n");
    const Outcome r = run({u"/src:"_qs + source, u"/sto:a@b.test"_qs, u"/nui"_qs});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(server.messageCount(), 3);
    EXPECT_EQ(nmcli.calls().filter(u"connection"_qs),
              (QStringList{u"-t -f NAME connection show @0"_qs, u"--wait 90 connection up id Office @0"_qs,
                           u"connection down id Office @3"_qs}));
}

TEST_F(EndToEnd, WindowWithoutDisplayIsRefused) {
    for (const QStringList& args : {QStringList{}, QStringList{u"/src:"_qs + source}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(u"needs a display")) << r.err.toStdString();
    }
}

} // namespace
