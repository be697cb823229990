// The real binary with real command lines, without a display and with a settings folder of its own.

#include "support/Files.h"
#include "support/Peers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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
        source = dir.filePath(u"report.zip"_qs);
        WriteFile(source, PatternBytes(2500000));
        nmcli.set("NMCLI_AVAILABLE", u"0"_qs); // as on a machine without NetworkManager
    }

    QString config() const { return dir.filePath(u"config"_qs); }
    QString out() const { return dir.filePath(u"out"_qs); }
    QString settingsFile() const { return config() + u"/Brevimo/Brevimo.conf"_qs; }
    // A fresh settings folder holding these [General] lines, and an empty folder for the pieces.
    void reset(const QString& settings) {
        QDir(config()).removeRecursively();
        QDir(out()).removeRecursively();
        QDir().mkpath(out());
        if (!settings.isEmpty())
            WriteFile(settingsFile(), "[General]\n" + settings.toUtf8() + '\n');
    }

    // shellPrefix: for limits that only a shell sets (ulimit).
    Outcome run(const QStringList& args, const QString& shellPrefix = {}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(u"XDG_CONFIG_HOME"_qs, config());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(u"/bin/sh"_qs,
                QStringList{u"-c"_qs, shellPrefix + u"\nexec \"$0\" \"$@\""_qs, QStringLiteral(BREVIMO_BINARY)} + args);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

    QString stored(const QString& key) { return QSettings(settingsFile(), QSettings::IniFormat).value(key).toString(); }

    QTemporaryDir dir;
    QString source;
    StandInNmcli nmcli;
};

TEST_F(EndToEnd, CommandLinesWithoutAWindow) {
    WriteFile(dir.filePath(u"100%.zip"_qs), "abc");
    const char* const usage = "Usage:\n\nSplit files into folder:\nBrevimo /src:<Source> /dst:*"
                              "/nui = Do not display user interface.\n";
    const char* const three = "There were 3 splitfiles created.\n";
    struct Case {
        const char* args;     // "|" between the words; $SRC, $OUT and $DIR stand for the test's paths
        const char* settings; // [General] lines before the run
        const char* shell;    // commands before the run, for limits
        int exitCode;
        const char* out;     // exact, or "prefix*suffix"
        const char* err;     // a part of it, or "" for none
        const char* entries; // what the folder holds after the run
        const char* stored;  // "key=value;..." afterwards; nullptr: no settings file
    };
    const Case cases[] = {
        {"/src:$SRC|/dst:$OUT|/nui", "", "", 0, three, "", "report.001 report.002 report.003 report.bat",
         "SplitDir=$OUT;SplitSize=1"},
        {"/src:$SRC|/dst:$OUT|/sze:2|/nui", "", "", 0, "There were 2 splitfiles created.\n", "",
         "report.001 report.002 report.bat", "SplitSize=3"},
        {"/SRC:$SRC|/DST:$OUT|/NUI", "SplitSize=3", "", 0, three, "", "report.001 report.002 report.003 report.bat",
         "SplitSize=1"}, // a stored size is not used by a command line without /sze:
        {"/src:$DIR/100%.zip|/dst:$OUT|/nui", "", "", 0, "There were 1 splitfiles created.\n", "", "100%.001 100%.bat",
         ""},
        {"/src:$SRC|/dst:$OUT|/sze:512|/nui", "", "ulimit -f 1500", 0, "There were 5 splitfiles created.\n", "",
         "report.001 report.002 report.003 report.004 report.005 report.bat", ""},
        {"/src:$SRC|/dst:$OUT|/nui", "", "ulimit -f 1500", 1, "", "report.001': File too large", "", ""},
        {"/?", "", "", 2, usage, "", "", nullptr},
        {"/src:$SRC||/nui", "", "", 2, usage, "", "", nullptr},
        {"/src:$SRCx|/dst:$OUT|/nui", "", "", 1, "", "report.zipx': No such file or directory", "", "SplitSize=1"},
        {"/src:$SRC|/sto:a@b.test|/nui", "", "", 1, "", "No mail server is set", "", "ToEMailAddress01=a@b.test"},
        {"", "", "", 1, "", "needs a display", "", ""},
        {"/src:$SRC", "", "", 1, "", "needs a display", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const auto expand = [&](const char* text) {
            return QString::fromUtf8(text)
                .replace(u"$SRC"_qs, source)
                .replace(u"$OUT"_qs, out())
                .replace(u"$DIR"_qs, dir.path());
        };
        reset(QString::fromUtf8(c.settings));
        const QStringList args = *c.args ? expand(c.args).split(u'|') : QStringList{};
        const Outcome r = run(args, QString::fromUtf8(c.shell));
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        const QStringList outParts = QString::fromUtf8(c.out).split(u'*');
        if (outParts.size() == 2) {
            EXPECT_TRUE(r.out.startsWith(outParts[0]) && r.out.endsWith(outParts[1])) << r.out.toStdString();
        } else {
            EXPECT_EQ(r.out, outParts[0]);
        }
        if (*c.err) {
            EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.err))) << r.err.toStdString();
        } else {
            EXPECT_EQ(r.err, u"");
        }
        const QString entries = Listing(out());
        EXPECT_EQ(entries, QString::fromUtf8(c.entries));
        if (entries.endsWith(u"report.bat"_qs)) {
            EXPECT_EQ(Concatenate(out(), entries.split(u' ').mid(0, entries.count(u' '))), ReadFile(source));
        }
        if (!c.stored) {
            EXPECT_FALSE(QFile::exists(settingsFile()));
            continue;
        }
        for (const QString& pair : expand(c.stored).split(u';', Qt::SkipEmptyParts))
            EXPECT_EQ(stored(pair.section(u'=', 0, 0)), pair.section(u'=', 1));
    }
}

// A mail job, dialled because NetworkManager answers and nothing else is stored.
TEST_F(EndToEnd, MailJobWithoutAWindow) {
    ASSERT_TRUE(nmcli.ready());
    nmcli.set("NMCLI_AVAILABLE", u"1"_qs);
    nmcli.set("NMCLI_CONNECTIONS", u"Office"_qs);
    SmtpServer server;
    ASSERT_TRUE(server.running());
    nmcli.set("NMCLI_WATCH", server.folder());
    reset(u"Host="_qs + server.host() + u"\nFromEMailAddress=me@x.test\nFriendlyName=Me\nRASConnection=Office"_qs);
    // As a shell hands it over: the quotes are gone and the subject is one word of the argument list.
    const Outcome r = run({u"/src:"_qs + source, u"/sze:512"_qs, u"/sto:a@b.test"_qs, u"/sbj:Big file"_qs, u"/nui"_qs});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, u""); // no success box without a window
    ASSERT_EQ(server.messageCount(), 5);
    EXPECT_EQ(server.connections(), 1);
    EXPECT_TRUE(server.message(5).contains("Subject: Big file 5 of 5\r\n"));
    EXPECT_EQ(server.envelope(1).join(u' '), u"me@x.test a@b.test");
    EXPECT_EQ(stored(u"ToEMailAddress01"_qs) + u'|' + stored(u"SplitSize"_qs), u"a@b.test|0");
    EXPECT_TRUE(QDir(QDir::tempPath()).entryList({u"brevimo-*"_qs}, QDir::Dirs).isEmpty());
    EXPECT_EQ(nmcli.calls().filter(u"connection"_qs).join(u'|'),
              u"-t -f NAME connection show @0|--wait 90 connection up id Office @0|connection down id Office @5");
}

} // namespace
