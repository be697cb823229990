// The real binary with real command lines, without a display and with a settings folder of its own. Longer than
// most test files: each case starts the program, its peers and its display as a user's machine has them.

#include "core/PathNames.h"
#include "mail/SeriesRecord.h"
#include "support/Files.h"
#include "support/OAuthServer.h"
#include "support/Peers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>

#include <QStandardPaths>
#include <QThread>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <csignal>
#include <optional>

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
    QString out() const { return dir.filePath(u"out, with comma"_qs); } // stored as it is
    QString settingsFile() const { return config() + u"/Brevimo/Brevimo.conf"_qs; }
    // A fresh settings folder holding these [General] lines, and an empty folder for the pieces.
    void reset(const QString& settings) {
        QDir(config()).removeRecursively();
        QDir(out()).removeRecursively();
        QDir().mkpath(out());
        if (!settings.isEmpty())
            WriteFile(settingsFile(), "[General]\n" + settings.toUtf8() + '\n');
    }

    // shellPrefix: for what only a shell sets (ulimit, export).
    void start(QProcess& p, const QStringList& args, const QString& shellPrefix = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(u"XDG_CONFIG_HOME"_qs, config());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.start(u"/bin/sh"_qs,
                QStringList{u"-c"_qs, shellPrefix + u"\nexec \"$0\" \"$@\""_qs, QStringLiteral(BREVIMO_BINARY)} + args);
        p.closeWriteChannel();
    }
    static Outcome finish(QProcess& p) {
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }
    Outcome run(const QStringList& args, const QString& shellPrefix = {}) {
        QProcess p;
        start(p, args, shellPrefix);
        return finish(p);
    }

    QString stored(const QString& key) { return QSettings(settingsFile(), QSettings::IniFormat).value(key).toString(); }

    QTemporaryDir dir;
    QString source;
    StandInNmcli nmcli;
};

TEST_F(EndToEnd, CommandLinesWithoutAWindow) {
    const char* const pieces3 = "report.001 report.002 report.003 report.bat report.sh report.sha256";
    const char* const usage =
        "2|Usage:\n\nSplit files into folder:\nbrevimo /src:<Source> /dst:*/nui = Do not display the "
        "user interface.\n/rsm = Resume: send only the messages of a stopped series that "
        "are missing.\n\nJoin a set of pieces:\nbrevimo /join:*\n--help, -h = Show this text.\n--version = Show "
        "the version.\n|";
    const char* const help = "0|Usage:\n\nSplit files into folder:\nbrevimo /src:*\n--version = Show the version.\n|";
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        // the words ("|" between them; $SRC and $OUT for the test's paths), [General] lines or a shell command
        // before the run, then "exit status|stdout|stderr" ("*" for any text), the folder afterwards, and
        // "key=value;..." stored (nullptr: no settings file)
        {"/src:$SRC|/dst:$OUT|/nui", "", "0|There were 3 splitfiles created.\n|", pieces3, "SplitDir=$OUT;SplitSize=1"},
        // a quote inside a word takes no later word along
        {"/nui|/src:$SRC|/sbj:5\" disks|/dst:$OUT", "", "0|There were 3 splitfiles created.\n|", pieces3, ""},
        {"/src:$SRC|/dst:$OUT|/sze:2|/nui", "", "0|There were 2 splitfiles created.\n|",
         "report.001 report.002 report.bat report.sh report.sha256", "SplitSize=3"},
        // a stored size is not used by a command line without /sze:
        {"/SRC:$SRC|/DST:$OUT|/NUI", "SplitSize=3", "0|There were 3 splitfiles created.\n|", pieces3, "SplitSize=1"},
        {"/src:$SRC|/dst:$OUT|/sze:512|/nui", "ulimit -f 1500", "0|There were 5 splitfiles created.\n|",
         "report.001 report.002 report.003 report.004 report.005 report.bat report.sh report.sha256", ""},
        {"/src:$SRC|/dst:$OUT|/nui", "ulimit -f 1500",
         "1||Cannot write '$OUT/report.001': File too large.\nThe split was not finished and the incomplete file was "
         "removed. The folder's file system, or a limit on the size of files (ulimit -f), does not take pieces this "
         "large: choose a smaller piece size or another folder, then try again.\n*",
         "", ""},
        // an exact multiple of the piece size: no empty piece after the last full one
        {"/src:$DIR/two.zip|/dst:$OUT|/sze:1|/nui", "", "0|There were 2 splitfiles created.\n|",
         "two.001 two.002 two.bat two.sh two.sha256", ""},
        {"/src:$DIR/three.zip|/dst:$OUT|/sze:512|/nui", "", "0|There were 3 splitfiles created.\n|",
         "three.001 three.002 three.003 three.bat three.sh three.sha256", ""},
        {"/?", "", usage, "", nullptr},
        // a terminal's habits: on stdout, status 0, whatever the display
        {"--help", "export DISPLAY=:99", help, "", nullptr},
        {"/src:$SRC|-h", "", help, "", nullptr},
        {"--version", "", "0|Brevimo 1.00.000\n|", "", nullptr},
        // the wizard's custom sizes, its refusals and its piece count
        {"/src:$SRC|/dst:$OUT|/sze:1000 KB|/nui", "", "0|There were 3 splitfiles created.\n|", pieces3,
         "SplitSize=4;CustomSplitSize=1000 KB"},
        {"/src:$SRC|/dst:$OUT|/sze:\"800KB\"|/nui", "", "0|There were 4 splitfiles created.\n|",
         "report.001 report.002 report.003 report.004 report.bat report.sh report.sha256", "CustomSplitSize=800KB"},
        {"/src:$SRC|/dst:$OUT|/sze:3MB|/nui", "", "0|There was 1 splitfile created.\n|",
         "report.001 report.bat report.sh report.sha256", "SplitSize=4;CustomSplitSize=3MB"},
        {"/src:$SRC|/dst:$OUT|/sze:3|/nui", "",
         "1||The custom size '3' cannot be used. Give a number above 0 followed by MB or KB, for example 100 MB or 64 "
         "KB.\n",
         "", "SplitSize=4;CustomSplitSize=3"},
        // a quote in a name arrives, and the batch file's refusal names it
        {"/src:$DIR/5\" disk.img|/dst:$OUT|/nui", "",
         "1||The name '5\" disk.img' holds a double quote, which the reassembly batch file cannot carry safely.*", "",
         "SplitSize=1"},
        {"/src:$SRCx|/dst:$OUT|/nui", "", "1||*report.zipx': No such file or directory*", "", "SplitSize=1"},
        {"/src:/dev/stdin|/dst:$OUT|/nui", "", "1||'/dev/stdin' is a named pipe (FIFO), not an ordinary file*", "", ""},
        {"/src:/proc/self/status|/dst:$OUT|/nui", "", "1||'/proc/self/status' changed while it was split*", "001", ""},
        {"/src:$SRC|/sto:a@b.test|/nui", "", "1||No mail server is set*", "", "ToEMailAddress01=a@b.test"},
        {"", "", "1||*needs a display*", "", nullptr},
        // a display that is gone, or one nobody sees, is no display
        {"/?", "export DISPLAY=:99", usage, "", nullptr},
        {"/?", "export QT_QPA_PLATFORM=offscreen DISPLAY=:99", usage, "", nullptr},
        {"/src:$SRC", "export DISPLAY=:99", "1||*needs a display*", "", nullptr},
        {"/src:$SRC", "", "1||*needs a display*", "", nullptr},
    };
    WriteFile(dir.filePath(u"two.zip"_qs), PatternBytes(2 << 20, 2));
    WriteFile(dir.filePath(u"5\" disk.img"_qs), PatternBytes(1000));
    WriteFile(dir.filePath(u"three.zip"_qs), PatternBytes(3 * 524288, 3));
    for (const auto& [words, setup, expected, entries, stored] : cases) {
        const auto expand = [&](const char* text) {
            return QString::fromUtf8(text)
                .replace(u"$SRC"_qs, source)
                .replace(u"$OUT"_qs, out())
                .replace(u"$DIR"_qs, dir.path());
        };
        const bool limit = QByteArray(setup).startsWith("ulimit") || QByteArray(setup).startsWith("export");
        reset(limit ? QString() : QString::fromUtf8(setup));
        const Outcome r =
            run(*words ? expand(words).split(u'|') : QStringList{}, limit ? QString::fromUtf8(setup) : QString());
        const QString seen = QString::number(r.exitCode) + u'|' + r.out + u'|' + r.err;
        EXPECT_TRUE(Matches(seen, expand(expected))) << words << "\n" << seen.toStdString();
        EXPECT_EQ(Listing(out()), QString::fromUtf8(entries)) << words;
        const QString from =
            expand(words).section(u"/src:"_qs, 1, 1, QString::SectionCaseInsensitiveSeps).section(u'|', 0, 0);
        if (const QString base = PieceBase(from); Listing(out()).contains(base + u"bat"_qs)) {
            const QStringList names =
                Listing(out()).split(u' ').filter(QRegularExpression(QRegularExpression::escape(base) + u"\\d+$"_qs));
            EXPECT_EQ(Concatenate(out(), names), ReadFile(from));
            EXPECT_TRUE(ReadFile(out() + u'/' + base + u"bat"_qs).startsWith("@echo off\r\n")); // no lines for a .txt
        }
        EXPECT_EQ(QFile::exists(settingsFile()), stored != nullptr) << words;
        for (const QString& pair : expand(stored ? stored : "").split(u';', Qt::SkipEmptyParts))
            EXPECT_EQ(QSettings(settingsFile(), QSettings::IniFormat).value(pair.section(u'=', 0, 0)).toString(),
                      pair.section(u'=', 1));
    }
}

// Settings of another user (after one "sudo brevimo"): the job is done, the user is told once what the next
// run will not remember, and the file stays as it was.
TEST_F(EndToEnd, SettingsOwnedByAnotherUser) {
    if (geteuid() != 0)
        GTEST_SKIP() << "runs the program as nobody, which needs root";
    reset(u"SplitSize=3\nFriendlyName=Doe, John"_qs);
    const QByteArray before = ReadFile(settingsFile());
    // Nobody reaches the program, the source and the folder for the pieces; the settings stay root's.
    const QString program = dir.filePath(u"brevimo"_qs);
    ASSERT_TRUE(QFile::copy(QStringLiteral(BREVIMO_BINARY), program));
    for (QDir up(dir.path()); up.path() != u"/"; up.cdUp())
        if (up.path().startsWith(QDir::tempPath()) || up.dirName().startsWith(u"brevimo-test-"_qs))
            chmod(QFile::encodeName(up.path()).constData(), 0755);
        else if (!(QFileInfo(up.path()).permissions() & QFile::ExeOther))
            GTEST_SKIP() << up.path().toStdString() << " is closed to other users";
    chmod(QFile::encodeName(out()).constData(), 0777);
    const Outcome r = run({u"/src:"_qs + source, u"/dst:"_qs + out(), u"/nui"_qs},
                          u"exec setpriv --reuid=65534 --regid=65534 --clear-groups "_qs + program + u" \"$@\""_qs);
    EXPECT_EQ(QString::number(r.exitCode) + u'|' + r.out, u"0|There were 3 splitfiles created.\n");
    EXPECT_TRUE(Matches(r.err, u"The settings could not be stored in '"_qs + settingsFile() +
                                   u"': *. This run goes on with the settings in memory, but the next one will not "
                                   "remember: SplitSize, CustomSplitSize, SplitDir, ReceiverFiles.\n"_qs))
        << r.err.toStdString();
    EXPECT_TRUE(ReadFile(settingsFile()) == before);
}

// An X server of the test's own; options: Xvfb's.
class Xvfb {
public:
    explicit Xvfb(const QStringList& options = {}) {
        process_.start(u"Xvfb"_qs, QStringList{u"-displayfd"_qs, u"1"_qs, u"-nolisten"_qs, u"tcp"_qs, u"-screen"_qs,
                                               u"0"_qs, u"800x600x24"_qs} +
                                       options);
        if (process_.waitForReadyRead(10000))
            display_ = u":"_qs + QString::fromLatin1(process_.readLine()).trimmed();
    }
    ~Xvfb() {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    const QString& display() const { return display_; }
    // A shell command on this display; true when it ends with status 0 within a minute.
    bool sh(const QString& command) const {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DISPLAY"_qs, display_);
        p.setProcessEnvironment(env);
        p.start(u"/bin/sh"_qs, {u"-c"_qs, command});
        return p.waitForFinished(60000) && p.exitCode() == 0;
    }
    // Presses the keys in a message box over the window, once it shows: the box has the input focus.
    bool pressInBox(const QString& keys) const {
        return sh(u"for i in $(seq 300); do [ $(xdotool search --onlyvisible --name '^Brevimo$' | wc -l) -ge 2 ] && "
                  "exec xdotool key "_qs +
                  keys + u"; sleep 0.1; done; exit 1"_qs);
    }
    // True once no window of that title is shown.
    bool waitUntilNoWindow(const QString& title) const {
        return sh(u"for i in $(seq 300); do xdotool search --onlyvisible --name '^"_qs + title +
                  u"$' >/dev/null || exit 0; sleep 0.1; done; exit 1"_qs);
    }
    // Presses the keys in the window of that title, once it shows; false when it never does. A button pressed with
    // Enter or Alt+letter clicks after a moment: "--delay 400" first lets each key find the page it is meant for.
    bool press(const QString& title, const QString& keys) const {
        QProcess key;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"DISPLAY"_qs, display_);
        key.setProcessEnvironment(env);
        key.start(u"/bin/sh"_qs, {u"-c"_qs, u"timeout 20 xdotool search --sync --onlyvisible --name '^"_qs + title +
                                                u"$' windowfocus --sync && xdotool key "_qs + keys});
        return key.waitForFinished(30000) && key.exitCode() == 0;
    }

private:
    QProcess process_;
    QString display_;
};

// On a real display the usage text is a box, closed with the keyboard, unless the run has a terminal (script gives
// one): then the text is read there. --help is always for the terminal.
TEST_F(EndToEnd, TheUsageOnARealDisplay) {
    Xvfb xvfb;
    ASSERT_FALSE(xvfb.display().isEmpty());
    const std::tuple<const char*, bool, const char*> cases[] = {
        // the word, run in a terminal, then "exit status|stdout" ("" in the box)
        {"/?", false, "2|"},
        {"/?", true, "2|Usage:\n*\n--version = Show the version.\n"},
        {"--help", false, "0|Usage:\n*\n--version = Show the version.\n"},
    };
    for (const auto& [word, terminal, expected] : cases) {
        SCOPED_TRACE(word + std::string(terminal ? " in a terminal" : ""));
        QProcess usage;
        start(usage, {QString::fromUtf8(word)},
              u"export DISPLAY="_qs + xvfb.display() +
                  (terminal ? u"\nexec script -qefc \"$0 '$1'\" /dev/null"_qs : QString()));
        const bool box = QByteArray(expected).endsWith('|');
        if (box) {
            EXPECT_TRUE(xvfb.press(u"Brevimo"_qs, u"Return"_qs));
        }
        const Outcome r = finish(usage);
        EXPECT_TRUE(
            Matches(QString::number(r.exitCode) + u'|' + QString(r.out).remove(u'\r'), QString::fromUtf8(expected)))
            << r.exitCode << r.out.toStdString();
    }
}

// The wizard through main on a real display, closed with Esc; also with the platform named, and on a server that
// ends when its last client leaves (the display check's connection stays until Qt has its own). A screen the
// server does not have is said, not an abort.
TEST_F(EndToEnd, TheWizardOnARealDisplay) {
    const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
        // Xvfb's options, the shell's exports, the screen, then "exit status|stderr"
        {"", "", "", "0|*"},
        {"", "QT_QPA_PLATFORM=xcb", "", "0|*"},
        {"-terminate", "", "", "0|*"},
        {"", "QT_QPA_PLATFORM=xcb", ".5",
         "1|*Brevimo could not open a window on display $DISPLAY. Run it with /nui to work "
         "without one.\n"},
    };
    for (const auto& [options, exports, screen, expected] : cases) {
        SCOPED_TRACE(options + std::string(exports) + screen);
        Xvfb xvfb(QString::fromUtf8(options).split(u' ', Qt::SkipEmptyParts));
        ASSERT_FALSE(xvfb.display().isEmpty());
        const QString display = xvfb.display() + QString::fromUtf8(screen);
        QProcess wizard;
        start(wizard, {}, u"export DISPLAY="_qs + display + u' ' + QString::fromUtf8(exports));
        const bool shown = xvfb.press(u"Brevimo"_qs, u"Escape"_qs);
        EXPECT_EQ(shown, !*screen);
        const Outcome r = finish(wizard);
        EXPECT_TRUE(Matches(QString::number(r.exitCode) + u'|' + r.err,
                            QString::fromUtf8(expected).replace(u"$DISPLAY"_qs, display)))
            << r.exitCode << r.err.toStdString();
    }
}

// "Open With" in a file manager, as gio launches the desktop entry: the file is the source as it is, and a folder
// job runs from the window alone (Next, "Create splitfiles on disk", Next, Finish). A name holding a quote
// arrives whole, so the job refuses it instead of splitting "say hi.zip", which lies beside it.
TEST_F(EndToEnd, OpenWithSplitsIntoAFolderFromTheWindow) {
    Xvfb xvfb;
    ASSERT_FALSE(xvfb.display().isEmpty());
    // The desktop entry runs "brevimo" from PATH.
    const QString bin = dir.filePath(u"bin"_qs);
    QDir().mkpath(bin);
    ASSERT_TRUE(QFile::link(QStringLiteral(BREVIMO_BINARY), bin + u"/brevimo"_qs));
    WriteFile(dir.filePath(u"say hi.zip"_qs), PatternBytes(300000));
    WriteFile(dir.filePath(u"say \"hi\".zip"_qs), PatternBytes(300000));
    const std::tuple<const char*, const char*, const char*> cases[] = {
        // the file, the keys after the job's box, the folder afterwards
        {"report.zip", "", "report.001 report.002 report.003 report.bat report.sh report.sha256"},
        {"say \"hi\".zip", "Escape", ""}, // the refusal leaves the window open
    };
    for (const auto& [name, closing, entries] : cases) {
        SCOPED_TRACE(name);
        reset(u"ShowWelcome=0\nUseRAS=0\nSplitDir="_qs + out());
        QProcess launch;
        start(launch,
              {QStringLiteral(BREVIMO_TESTS "/../data/org.example.Brevimo.desktop"),
               dir.filePath(QString::fromUtf8(name))},
              u"export DISPLAY="_qs + xvfb.display() + u" PATH=\""_qs + bin +
                  u":$PATH\"\nexec gio launch \"$@\" >launched.log 2>&1"_qs);
        // The program's output goes to a file: the pipe to the test closes when gio has ended.
        EXPECT_EQ(finish(launch).exitCode, 0);
        EXPECT_TRUE(xvfb.press(u"Brevimo"_qs, u"--delay 400 Return alt+d Return alt+f"_qs));
        EXPECT_TRUE(xvfb.pressInBox(u"Return"_qs));
        if (*closing) {
            EXPECT_TRUE(xvfb.press(u"Brevimo"_qs, QString::fromUtf8(closing)));
        }
        EXPECT_TRUE(xvfb.waitUntilNoWindow(u"Brevimo"_qs));
        EXPECT_EQ(Listing(out()), QString::fromUtf8(entries));
        if (*entries) {
            EXPECT_EQ(Concatenate(out(), {u"report.001"_qs, u"report.002"_qs, u"report.003"_qs}), ReadFile(source));
        }
    }
}

// A series the server stopped at message 3 of 5 is finished with /rsm: messages 3 to 5 only, each once; also after
// a run that was killed. A changed source, or no stopped series at all, is said.
TEST_F(EndToEnd, AStoppedMailSeriesSendsOnlyTheRest) {
    const QStringList job{u"/src:"_qs + source, u"/sze:512"_qs, u"/sto:a@b.test"_qs, u"/sbj:Big"_qs, u"/nui"_qs};
    const QStringList resume = job + QStringList{u"/rsm"_qs};
    // The message numbers in the subjects of what the server took, in the order received.
    const auto numbers = [](const SmtpServer& server) {
        QStringList seen;
        for (int i = 1; i <= 20; ++i)
            if (QFile::exists(QStringLiteral("%1/%2.eml").arg(server.folder()).arg(i)))
                seen << QString::fromUtf8(server.message(i)).section(u"Subject: Big "_qs, 1).section(u' ', 0, 0);
        return seen.join(u' ');
    };
    const auto at = [&](const SmtpServer& server) {
        reset(u"Host="_qs + server.host() + u"\nFromEMailAddress=me@x.test\nUseRAS=0"_qs);
    };
    const auto kept = [] {
        QStringList all;
        for (const QString& name : QDir(SeriesHome()).entryList({u"series-*"_qs}, QDir::Dirs))
            all << SeriesHome() + u'/' + name;
        return all;
    };

    SmtpServer server({u"--reject-message"_qs, u"3"_qs});
    at(server);
    const Outcome none = run(resume);
    EXPECT_EQ(QString::number(none.exitCode) + u'|' + none.err.section(u" to the same"_qs, 0, 0),
              u"1|There is no stopped series of '"_qs + source + u"'"_qs);
    const Outcome stopped = run(job);
    EXPECT_EQ(stopped.exitCode, 1);
    EXPECT_TRUE(Matches(stopped.err, u"Message 3 of 5 was not sent: *The pieces are kept in '*'. To send only the "
                                     "messages that are missing, *or add /rsm to the command line.\n"_qs))
        << stopped.err.toStdString();
    const Outcome finished = run(resume);
    EXPECT_EQ(finished.exitCode, 0) << finished.err.toStdString();
    EXPECT_EQ(numbers(server), u"1 2 3 4 5"); // the refused 3 is not stored
    EXPECT_TRUE(server.message(6).contains("filename=report.txt")) << server.message(6).left(2000).toStdString();
    EXPECT_EQ(kept().join(u' '), u"");

    // Without /rsm: everything again, and it says that a stopped series is kept; which then goes, as nothing of it
    // is left to finish.
    SmtpServer refusing({u"--reject-message"_qs, u"3"_qs});
    at(refusing);
    EXPECT_EQ(run(job).exitCode, 1);
    const Outcome plain = run(job);
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_TRUE(plain.err.startsWith(u"A stopped series of this file is kept in '"_qs)) << plain.err.toStdString();
    EXPECT_EQ(numbers(refusing), u"1 2 1 2 3 4 5");
    EXPECT_EQ(kept().join(u' '), u"");
    EXPECT_EQ(run(resume).exitCode, 1);
    // Killed while message 3 waits for its answer: the record says 1 and 2 went.
    SmtpServer hanging({u"--hang-message"_qs, u"3"_qs});
    at(hanging);
    QProcess killed;
    start(killed, job);
    for (QDeadlineTimer deadline(30000); hanging.messageCount() < 2 && !deadline.hasExpired();)
        QThread::msleep(20);
    QThread::msleep(300);
    killed.kill();
    killed.waitForFinished(5000);
    EXPECT_EQ(run(resume).exitCode, 0);
    EXPECT_EQ(numbers(hanging), u"1 2 3 4 5");

    // What is kept is checked before it goes: a piece changed by one byte is named and the whole series goes again;
    // pieces that are gone are cut again from the unchanged source, and only the missing messages go; a changed
    // piece of a source that changed too stops the job.
    const std::tuple<const char*, int, const char*, const char*> changes[] = {
        // what becomes of report.004, the source changed too, what the server then took, stderr|stdout
        {"changed", false, "1 2 1 2 3 4 5",
         "A stopped series of this file was kept in '$KEPT', but '$KEPT/report.004' is not the piece that was cut "
         "from it (its checksum differs), so the whole series is sent.\n|Sent 5 messages to a@b.test.\n"},
        {"gone", false, "1 2 3 4 5",
         "|The pieces of the stopped series in '$KEPT' were gone ('$KEPT/report.004' is no longer there). '$SRC' is "
         "unchanged, so they were cut again.\nSent 3 messages to a@b.test.\n"},
        {"changed", true, "1 2",
         "A stopped series of this file was kept in '$KEPT', but '$KEPT/report.004' is not the piece that was cut "
         "from it (its checksum differs), and '$SRC' has changed since, so the missing messages cannot be made "
         "again. *|"},
    };
    for (const auto& [change, sourceToo, taken, said] : changes) {
        SCOPED_TRACE(change + std::to_string(sourceToo));
        WriteFile(source, PatternBytes(2500000));
        SmtpServer server3({u"--reject-message"_qs, u"3"_qs});
        at(server3);
        ASSERT_EQ(run(job).exitCode, 1);
        ASSERT_EQ(kept().size(), 1);
        const QString folder = kept()[0];
        const QString piece = folder + u"/report.004"_qs;
        if (QByteArray(change) == "gone") {
            QFile::remove(piece);
        } else {
            QByteArray bytes = ReadFile(piece);
            bytes[1000] = static_cast<char>(bytes[1000] ^ 1);
            WriteFile(piece, bytes);
        }
        if (sourceToo)
            WriteFile(source, PatternBytes(2500000, 7));
        const Outcome r = run(resume);
        EXPECT_EQ(r.exitCode, sourceToo ? 1 : 0);
        EXPECT_TRUE(Matches(r.err + u'|' + r.out,
                            QString::fromUtf8(said).replace(u"$KEPT"_qs, folder).replace(u"$SRC"_qs, source)))
            << r.err.toStdString() << "|" << r.out.toStdString();
        EXPECT_EQ(numbers(server3), QString::fromUtf8(taken));
        EXPECT_EQ(kept().join(u' '), u"");
    }
    WriteFile(source, PatternBytes(2500000));

    // A source changed since: said, and the whole series goes.
    SmtpServer again({u"--reject-message"_qs, u"2"_qs});
    at(again);
    EXPECT_EQ(run(job).exitCode, 1);
    WriteFile(source, PatternBytes(2500000, 5));
    const Outcome changed = run(resume);
    EXPECT_EQ(changed.exitCode, 0);
    EXPECT_TRUE(Matches(changed.err, u"*A stopped series of this file was kept in '*', but '"_qs + source +
                                         u"' has changed since, so the whole series is sent.\n"_qs))
        << changed.err.toStdString();
    EXPECT_EQ(numbers(again), u"1 1 2 3 4 5"); // the refused 2 is not stored
}

// A mail job, dialled because NetworkManager answers and nothing else is stored.
TEST_F(EndToEnd, MailJobWithoutAWindow) {
    ASSERT_TRUE(nmcli.ready());
    nmcli.set("NMCLI_AVAILABLE", u"1"_qs);
    nmcli.set("NMCLI_CONNECTIONS", u"Office:vpn,Wi-Fi:802-11-wireless"_qs);
    SmtpServer server;
    ASSERT_TRUE(server.running());
    nmcli.set("NMCLI_WATCH", server.folder());
    reset(u"Host="_qs + server.host() + u"\nFromEMailAddress=me@x.test\nFriendlyName=Me\nRASConnection=Office"_qs);
    // As a shell hands it over: the quotes are gone and the subject is one word of the argument list.
    const Outcome r = run({u"/src:"_qs + source, u"/sze:512"_qs, u"/sto:a@b.test"_qs, u"/sbj:Big file"_qs, u"/nui"_qs});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, u"Sent 5 messages to a@b.test.\n"); // one line instead of the success box
    ASSERT_EQ(server.messageCount(), 5);
    EXPECT_EQ(server.connections(), 1);
    EXPECT_TRUE(server.message(5).contains("Subject: Big file 5 of 5\r\n"));
    EXPECT_EQ(server.envelope(1).join(u' '), u"me@x.test a@b.test");
    EXPECT_EQ(stored(u"ToEMailAddress01"_qs) + u'|' + stored(u"SplitSize"_qs), u"a@b.test|0");
    EXPECT_TRUE(QDir(QDir::tempPath()).entryList({u"brevimo-*"_qs}, QDir::Dirs).isEmpty() &&
                QDir(SeriesHome()).entryList({u"series-*"_qs}, QDir::Dirs).isEmpty());
    EXPECT_EQ(nmcli.calls().filter(u"connection"_qs).join(u'|'),
              u"-t -f NAME,TYPE connection show @0|-t -f NAME,TYPE connection show @0|-t -f NAME connection show "
              "--active @0|--wait 90 connection up id Office @0|connection down id Office @5");

    // A boundary of its own in every run: a body that holds the last run's on a line of its own stays text.
    const auto boundaryOf = [](const QByteArray& message) {
        return QRegularExpression(u"boundary=([0-9a-f]{32}_boundary)"_qs)
            .match(QString::fromLatin1(message))
            .captured(1);
    };
    const QString earlier = boundaryOf(server.message(1));
    ASSERT_FALSE(earlier.isEmpty());
    const Outcome again =
        run({u"/src:"_qs + source, u"/sze:2"_qs, u"/sto:a@b.test"_qs, u"/bdy:--"_qs + earlier, u"/nui"_qs});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    const QByteArray next = server.message(6);
    EXPECT_FALSE(boundaryOf(next).isEmpty() || boundaryOf(next) == earlier);
    EXPECT_EQ(next.count("\r\n--" + earlier.toLatin1() + "\r\n"), 1) << next.left(3000).toStdString();
    EXPECT_EQ(next.count("\r\n--" + boundaryOf(next).toLatin1() + "\r\n"), 2); // a piece and the text

    // A refusal is told on stderr, with where the series stands.
    SmtpServer refusing({u"--refuse-rcpt"_qs, u"a@b.test"_qs});
    reset(u"Host="_qs + refusing.host() + u"\nFromEMailAddress=me@x.test\nUseRAS=0"_qs);
    const Outcome refused = run({u"/src:"_qs + source, u"/sto:a@b.test"_qs, u"/nui"_qs});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.startsWith(u"Message 1 of 3 was not sent: the mail server refused the recipient a@b.test "
                                       "(550 5.1.1 <a@b.test> no such user here). No message was sent.\n"_qs))
        << refused.err.toStdString();
}

// GNOME Online Accounts' account of the sender gives the server and the token; an account that needs a new sign-in
// stops the job before anything is split.
TEST_F(EndToEnd, MailJobWithTheGnomeAccount) {
    const QString tokens = dir.filePath(u"tokens"_qs);
    SmtpServer server({u"--starttls"_qs, u"--bearer"_qs, tokens});
    ASSERT_TRUE(server.running());
    ScopedEnv trust("SSL_CERT_FILE", server.folder().toUtf8() + "/cert.pem");
    const SecretService bus(false); // a session bus of the test's own
    ASSERT_TRUE(bus.running()) << bus.whyNot().toStdString();
    const QString account = u"--account=email=jo@x.test,provider=windows_live,smtp="_qs + server.host();
    const QStringList job{u"/src:"_qs + source, u"/sto:a@b.test"_qs, u"/nui"_qs};
    for (const bool attention : {false, true}) {
        SCOPED_TRACE(attention);
        const StandInGoa goa({u"--tokens"_qs, tokens, account + (attention ? u",attention-needed"_qs : QString())});
        ASSERT_TRUE(goa.running());
        reset(u"FromEMailAddress=jo@x.test\nLogin=oauth2\nUseGnomeAccount=1\nUseRAS=0"_qs);
        const Outcome r = run(job);
        EXPECT_EQ(r.exitCode, attention ? 1 : 0) << r.err.toStdString();
        EXPECT_EQ(attention ? r.err : r.out,
                  attention ? u"The GNOME account jo@x.test (Microsoft) needs you to sign in again: open GNOME "
                              "Settings > Online Accounts, sign in there, then run the job again.\n"_qs
                            : u"Sent 3 messages to a@b.test.\n"_qs);
        EXPECT_EQ(server.messageCount(), 3); // the first run's
        EXPECT_EQ(server.logins().size(), 1);
        EXPECT_TRUE(server.logins().value(0).startsWith(u"jo@x.test OAUTHBEARER:goa-"_qs));
        EXPECT_TRUE(QDir(SeriesHome()).entryList({u"series-*"_qs}, QDir::Dirs).isEmpty());
    }
}

// brevimo /login tells the server's answer and keeps a password it took in the keyring, where a later run finds it;
// nothing of it is in a file Brevimo writes.
TEST_F(EndToEnd, LoginThenAJobThatSignsIn) {
    SmtpServer server({u"--starttls"_qs, u"--auth"_qs, u"jo@x.test"_qs, u"s3cret"_qs});
    ASSERT_TRUE(server.running());
    ScopedEnv trust("SSL_CERT_FILE", server.folder().toUtf8() + "/cert.pem");
    const QString at = server.host(); // 127.0.0.1:port
    const QString account = u"Host=127.0.0.1\nPort="_qs + at.section(u':', 1) +
                            u"\nSecurity=starttls\nLogin=password\nFromEMailAddress=jo@x.test\nUseRAS=0"_qs;
    const std::tuple<bool, const char*, int, QString> cases[] = {
        // a keyring, the line typed, the exit status, what is said
        {true, "wrong", 1, u"The mail server 127.0.0.1 refused the sign-in of jo@x.test: \"535 5.7.8"_qs},
        {false, "s3cret", 1, u"No keyring is available"_qs},
        {true, "s3cret", 0, u"Signed in to "_qs + at + u" as jo@x.test; the password is kept in the keyring.\n"_qs},
    };
    SecretService keyring;
    ASSERT_TRUE(keyring.running()) << keyring.whyNot().toStdString();
    reset(account);
    for (const auto& [withKeyring, typed, status, said] : cases) {
        SCOPED_TRACE(typed);
        std::optional<SecretService> without;
        if (!withKeyring)
            without.emplace(false);
        WriteFile(dir.filePath(u"typed"_qs), QByteArray(typed) + '\n');
        const Outcome r = run({u"/login"_qs}, u"exec < typed"_qs);
        EXPECT_EQ(r.exitCode, status) << r.err.toStdString();
        EXPECT_TRUE((status ? r.err : r.out).contains(said)) << (r.out + r.err).toStdString();
        EXPECT_TRUE(r.err.startsWith(u"Password for jo@x.test on "_qs + at + u": "_qs)) << r.err.toStdString();
    }
    EXPECT_EQ(server.logins().join(u'|'), u"jo@x.test wrong tls|jo@x.test s3cret tls|jo@x.test s3cret tls");

    const Outcome job = run({u"/src:"_qs + source, u"/sto:a@b.test"_qs, u"/nui"_qs});
    EXPECT_EQ(job.exitCode, 0) << job.err.toStdString();
    EXPECT_EQ(server.messageCount(), 3);
    EXPECT_EQ(server.logins().size(), 4);
    EXPECT_EQ(server.logins().last(), u"jo@x.test s3cret tls");
    EXPECT_FALSE(ReadFile(settingsFile()).contains("s3cret"));
}

// Signed in once in the browser with /login, a job gets its access token with the refresh token the keyring
// kept; once the provider refuses that, the next job stops before anything is split and says to sign in again.
TEST_F(EndToEnd, BrowserSignInThenJobsThatRenewTheToken) {
    OAuthServer provider;
    ASSERT_TRUE(provider.running());
    SmtpServer server({u"--starttls"_qs, u"--bearer"_qs, provider.folder() + u"/tokens"_qs});
    ASSERT_TRUE(server.running());
    ScopedEnv trust("SSL_CERT_FILE", server.folder().toUtf8() + "/cert.pem");
    SecretService keyring;
    ASSERT_TRUE(keyring.running()) << keyring.whyNot().toStdString();
    reset(u"Host=127.0.0.1\nPort="_qs + server.host().section(u':', 1) +
          u"\nSecurity=starttls\nLogin=oauth2\nFromEMailAddress=jo@example.org\nUseRAS=0\nOAuthClientId=test-client\n"
          u"OAuthAuthorizeUrl="_qs +
          provider.authorizeUrl() + u"\nOAuthTokenUrl="_qs + provider.tokenUrl());
    const Outcome login = run({u"/login"_qs});
    ASSERT_EQ(login.exitCode, 0) << login.err.toStdString();
    const QStringList job{u"/src:"_qs + source, u"/sto:a@b.test"_qs, u"/nui"_qs};
    const Outcome sent = run(job);
    EXPECT_EQ(sent.exitCode, 0) << sent.err.toStdString();
    EXPECT_EQ(sent.out, u"Sent 3 messages to a@b.test.\n"_qs);
    EXPECT_EQ(server.logins().size(), 1);
    EXPECT_TRUE(server.logins().value(0).startsWith(u"jo@example.org OAUTHBEARER:"_qs))
        << server.logins().value(0).toStdString();
    // The job's process had no access token: one refresh, the code of /login used once.
    EXPECT_EQ(provider.requests().join(u'|'), u"authorize code|token authorization_code ok|token refresh_token ok");

    ASSERT_TRUE(provider.command(u"refuse-refresh"_qs));
    const Outcome refused = run(job);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(u"no longer takes the sign-in of jo@example.org"_qs) &&
                refused.err.contains(u"run brevimo /login"_qs))
        << refused.err.toStdString();
    EXPECT_EQ(server.messageCount(), 3);
    EXPECT_TRUE(QDir(SeriesHome()).entryList({u"series-*"_qs}, QDir::Dirs).isEmpty());
    EXPECT_FALSE(ReadFile(settingsFile()).contains("rt-"));
}

// Two jobs writing one set at once: one is refused, and the set is whole.
TEST_F(EndToEnd, TwoJobsAtOnceIntoOneFolder) {
    const QString big = dir.filePath(u"big.zip"_qs);
    QFile file(big);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 300; ++i)
        file.write(PatternBytes(1 << 20, static_cast<uint32_t>(i)));
    file.close();
    reset({});
    QProcess first, second;
    for (QProcess* p : {&first, &second})
        start(*p, {u"/src:"_qs + big, u"/dst:"_qs + out(), u"/nui"_qs});
    const Outcome a = finish(first), b = finish(second);
    EXPECT_EQ(a.exitCode + b.exitCode, 1) << a.err.toStdString() << b.err.toStdString();
    EXPECT_TRUE((a.exitCode ? a : b).err.contains(u"Another job is writing the pieces of 'big.' into"_qs));
    QStringList names = Listing(out()).split(u' ');
    ASSERT_EQ(names.size(), 303); // 300 pieces of exactly 1 MiB, the batch file, the checksum list, the join script
    names = names.filter(QRegularExpression(u"^big\\.\\d+$"_qs));
    EXPECT_EQ(Concatenate(out(), names), ReadFile(big));
}

// Ctrl-C while a gibibyte is split: whole pieces only, no batch file, and the message says what is there.
TEST_F(EndToEnd, ASignalStopsTheSplitCleanly) {
    QFile sparse(dir.filePath(u"big.img"_qs));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly) && sparse.resize(int64_t{1} << 30));
    sparse.close();
    reset({});
    QProcess p;
    start(p, {u"/src:"_qs + sparse.fileName(), u"/dst:"_qs + out(), u"/sze:512"_qs, u"/nui"_qs});
    for (QDeadlineTimer deadline(20000); !QFile::exists(out() + u"/big.010"_qs) && !deadline.hasExpired();)
        QThread::msleep(5);
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    const Outcome r = finish(p);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(u"was stopped by SIGINT (Ctrl-C).\n'"_qs + out() + u"' holds big.001 to big."_qs))
        << r.err.toStdString();
    const QStringList names = Listing(out()).split(u' ');
    EXPECT_TRUE(names.size() >= 10 && names.size() < 2048 && names.filter(u"big."_qs).size() == names.size());
    for (const QString& name : names)
        EXPECT_EQ(QFileInfo(out() + u'/' + name).size(), 524288) << name.toStdString();
}

// The batch files under a real command interpreter, wine's cmd, when wine is there: they rebuild their sources, and
// a piece that is missing or a folder that cannot be written ends them without "All Done." and with status 1.
TEST_F(EndToEnd, BatchFilesRebuildUnderCmd) {
    if (QStandardPaths::findExecutable(u"wine"_qs).isEmpty())
        GTEST_SKIP() << "no wine on this machine";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"WINEDEBUG"_qs, u"-all"_qs);
    // Wine makes its folder for this HOME on its first run, partly in the background, and a cmd started meanwhile
    // may not be found: make it first, and wait until wine has ended.
    QProcess boot;
    boot.setProcessEnvironment(env);
    boot.start(u"/bin/sh"_qs, {u"-c"_qs, u"wineboot --init && wineserver -w"_qs});
    ASSERT_TRUE(boot.waitForFinished(180000) && boot.exitCode() == 0) << boot.readAllStandardError().toStdString();
    const std::tuple<QString, const char*, const char*> cases[] = {
        // name, what happens to the set first, what cmd says (nullptr: the file is rebuilt; "*": rebuilt, or not
        // and said so)
        // first: the disk is mounted before wine starts its server, which then sees it too
        {u"report.zip"_qs, "read-only",
         "\"report.001\" could not be joined to \"report.zip\".\r\n\"report.zip\" was not "},
        {u"report.zip"_qs, "", nullptr},
        {u"Fotos_M\u00e4rz.zip"_qs, "", nullptr}, // the same byte in code pages 437 and 850
        {u"100% & (1).tar.gz"_qs, "", nullptr},
        // a letter of 850 alone: cmd reads it after the switch to 850; wine 8 reads every line in the system's 437
        {u"Sm\u00f8rrebr\u00f8d.zip"_qs, "", "*"},
        {u"report.zip"_qs, "missing 2", "\"report.002\" is missing. Put all pieces into this folder"},
    };
    QString notRun;
    for (const auto& [name, change, told] : cases) {
        SCOPED_TRACE(name.toStdString() + " " + change);
        reset({});
        const bool readOnly = QByteArray(change) == "read-only";
        const std::unique_ptr<TmpfsMount> disk(readOnly ? new TmpfsMount(out(), 8 << 20) : nullptr);
        if (disk && !disk->available()) {
            notRun = disk->whyNot();
            continue;
        }
        const QByteArray bytes = PatternBytes(2500000, static_cast<uint32_t>(name.size()));
        WriteFile(dir.filePath(name), bytes);
        ASSERT_EQ(run({u"/src:"_qs + dir.filePath(name), u"/dst:"_qs + out(), u"/nui"_qs}).exitCode, 0);
        // Under a plain name: how cmd reads its own command line is not the point here.
        QFile::copy(out() + u'/' + PieceBase(name) + u"bat"_qs, out() + u"/rebuild.bat"_qs);
        if (QByteArray(change) == "missing 2")
            QFile::remove(out() + u"/report.002"_qs);
        if (disk) {
            ASSERT_TRUE(disk->remountReadOnly());
        }
        QProcess cmd;
        cmd.setWorkingDirectory(out());
        cmd.setProcessChannelMode(QProcess::MergedChannels);
        cmd.setProcessEnvironment(env);
        cmd.start(u"wine"_qs, {u"cmd"_qs, u"/c"_qs, u"rebuild.bat"_qs});
        cmd.write("\r\n\r\n"); // for the pause before the join, and the one after a failure
        cmd.closeWriteChannel();
        ASSERT_TRUE(cmd.waitForFinished(120000));
        const QString said = QString::fromLocal8Bit(cmd.readAll());
        const bool rebuilt = QFile::exists(out() + u'/' + name) && ReadFile(out() + u'/' + name) == bytes;
        EXPECT_EQ(cmd.exitCode() == 0, rebuilt) << said.toStdString();
        EXPECT_EQ(said.contains(u"All Done."_qs), rebuilt) << said.toStdString();
        if (!told) {
            EXPECT_TRUE(rebuilt) << said.toStdString();
        } else if (QByteArray(told) != "*") {
            EXPECT_TRUE(said.contains(QString::fromUtf8(told)) && !QFile::exists(out() + u'/' + name))
                << said.toStdString();
        }
    }
    if (!notRun.isEmpty())
        GTEST_SKIP() << "the read-only folder: " << notRun.toStdString();
}

} // namespace
