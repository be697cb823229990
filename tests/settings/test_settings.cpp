#include "settings/IniFileStore.h"
#include "settings/JobSettings.h"
#include "support/JobTest.h"

#include <QSettings>

#include <functional>
#include <map>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    Settings make() {
        return Settings(store, QStringLiteral("/opt/brevimo"), [this] {
            ++asked;
            return dialUp;
        });
    }
    // The job fields the load step fills from the settings: "size|custom|folder|history|recipient".
    QString loaded() {
        Settings s = make();
        SplitJob job;
        LoadJobDefaults(s, job);
        EXPECT_EQ(job.target(), Target::Mail);
        return QStringList{QString::number(job.SizeIndex), job.CustomSplitSize, job.SplitFolder,
                           job.RecipientHistory.join(u','), job.SendTo}
            .join(u'|');
    }

    MemoryStore store;
    bool dialUp = false;
    int asked = 0;
};

TEST_F(SettingsTest, DefaultsStoredFormsAndConversions) {
    Settings s = make();
    EXPECT_EQ(QStringList({s.SplitDir(), QString::number(s.SplitSize()), s.CustomSplitSize(),
                           QString::number(s.ShowWelcome()), QString::number(s.UseRAS()), s.FloppyDrive(), s.Host(),
                           s.FriendlyName(), s.FromEMailAddress(), s.RASPhoneBook(), s.RASConnection()})
                  .join(u'|'),
              u"/opt/brevimo|1|100 MB|1|0|/media/floppy|||||");
    EXPECT_TRUE(s.DefaultBody().startsWith(u"Copy all attachments of all the mails of this series"));
    EXPECT_EQ(store.writes, 0); // reading stores nothing
    EXPECT_EQ(loaded(), u"1|100 MB|/opt/brevimo||");

    s.setShowWelcome(false);
    s.setUseRAS(true);
    s.setSplitSize(3);
    EXPECT_EQ(store.get(u"ShowWelcome"_qs) + u'|' + store.get(u"UseRAS"_qs) + u'|' + store.get(u"SplitSize"_qs),
              u"0|-1|3");

    // Present but empty keys are not defaults.
    store.set(u"SplitDir=\nSplitSize=\nCustomSplitSize=\nShowWelcome=\nDefaultBody="_qs);
    Settings empty = make();
    EXPECT_EQ(empty.SplitDir() + empty.CustomSplitSize() + empty.DefaultBody() + QString::number(empty.SplitSize()) +
                  QString::number(empty.ShowWelcome()),
              u"00"); // the "512 kB" option, no welcome page
    const std::tuple<const char*, const char*, int, bool> cases[] = {
        // key, stored text, what it reads as (for UseRAS with the dial-up component saying yes)
        {"SplitSize", "2.5", 2, false},
        {"SplitSize", "99999", 1, false},
        {"SplitSize", "7", 7, false},
        {"SplitSize", "-1", -1, false},
        {"ShowWelcome", "7 apples", 1, false},
        {"UseRAS", "0", 0, false},
        {"UseRAS", "-1", 1, false},
        {"UseRAS", "0.5", 0, false},
        {"UseRAS", "maybe", 1, true},
        {"MailReplyTimeout", "", 300, false},
        {"MailReplyTimeout", "0", 300, false},
        {"MailReplyTimeout", " 45 ", 45, false},
        {"MailMessageTimeout", "-5", 600, false},
        {"MailMessageTimeout", "1200", 1200, false},
    };
    dialUp = true;
    const std::map<std::string, std::function<int(Settings&)>> read = {
        {"SplitSize", &Settings::SplitSize},
        {"ShowWelcome", &Settings::ShowWelcome},
        {"UseRAS", &Settings::UseRAS},
        {"MailReplyTimeout", &Settings::MailReplyTimeout},
        {"MailMessageTimeout", &Settings::MailMessageTimeout},
    };
    for (const auto& [key, text, value, asks] : cases) {
        store.set(QString::fromUtf8(key), QString::fromUtf8(text));
        asked = 0;
        Settings fresh = make();
        const int got = read.at(key)(fresh);
        EXPECT_EQ(got, value) << key << " " << text;
        EXPECT_EQ(asked, asks ? 1 : 0) << "the component is asked only without a stored number";
    }
    store.values.clear();
    asked = 0;
    Settings asking = make();
    EXPECT_EQ(asking.UseRAS() + asking.UseRAS() + asked, 3); // without a stored value the component is asked once
    // The window shows option 1 for a size outside the five.
    for (const auto& [text, option] : {std::pair{"7", "1"}, {"-1", "1"}, {"4", "4"}}) {
        store.set(u"SplitSize"_qs, QString::fromUtf8(text));
        EXPECT_EQ(loaded().section(u'|', 0, 0), QString::fromUtf8(option));
    }
}

TEST_F(SettingsTest, EachSettingIsReadOnceAndWrittenAtOnce) {
    store.set(u"Host"_qs, u"mail.example.test"_qs);
    Settings s = make();
    EXPECT_EQ(s.Host(), u"mail.example.test");
    store.set(u"Host"_qs, u"changed.behind.our.back"_qs);
    EXPECT_EQ(s.Host(), u"mail.example.test");
    s.setHost(u"new.example.test"_qs);
    EXPECT_EQ(store.get(u"Host"_qs) + u'|' + s.Host(), u"new.example.test|new.example.test");
    EXPECT_EQ(s.RASConnection() + s.RASConnection(), u""); // an empty value read once is not read again either
    EXPECT_EQ(store.reads[u"Host"_qs] + store.reads[u"RASConnection"_qs], 2);

    EXPECT_THROW(s.setEMailAddressIndex(0), std::out_of_range);
    EXPECT_THROW(s.setEMailAddressIndex(11), std::out_of_range);
    for (int slot : {10, 2}) {
        s.setEMailAddressIndex(slot);
        s.setToEMailAddress(QStringLiteral("r%1@x.test").arg(slot));
    }
    EXPECT_EQ(store.get(u"ToEMailAddress10"_qs) + u'|' + store.get(u"ToEMailAddress02"_qs), u"r10@x.test|r2@x.test");
}

TEST_F(SettingsTest, RecipientHistory) {
    store.set(u"ToEMailAddress02=b@x.test\nToEMailAddress05=e@x.test"_qs);
    EXPECT_EQ(loaded(), u"1|100 MB|/opt/brevimo|b@x.test,e@x.test|b@x.test"); // gaps close on load
    for (int i = 1; i <= 9; ++i)
        store.set(QStringLiteral("ToEMailAddress%1").arg(i, 2, 10, QLatin1Char('0')),
                  QStringLiteral("r%1@x.test").arg(i));
    const std::pair<const char*, const char*> jobs[] = {
        // sent to, the stored slots 01..10 after it
        {"r1@x.test", "r1 r2 r3 r4 r5 r6 r7 r8 r9"},   // the newest again changes nothing
        {"new@x.test", "new r1 r2 r3 r4 r5 r6 r7 r8"}, // on top, and the oldest of nine drops out
        {"r5@x.test", "r5 new r1 r2 r3 r4 r5 r6 r7"},  // further down: on top again, duplicates stay
        {"R5@x.test", "R5 r5 new r1 r2 r3 r4 r5 r6"},  // letter case counts
    };
    Settings s = make();
    SplitJob job;
    LoadJobDefaults(s, job);
    job.SizeIndex = 4;
    job.CustomSplitSize = u"64k"_qs;
    job.SplitFolder = u"/out"_qs;
    for (const auto& [to, expected] : jobs) {
        job.SendTo = QString::fromUtf8(to);
        StoreJobSettings(job, s);
        QStringList stored;
        for (int i = 1; i <= 10; ++i)
            stored << store.get(QStringLiteral("ToEMailAddress%1").arg(i, 2, 10, QLatin1Char('0'))).section(u'@', 0, 0);
        EXPECT_EQ(stored.join(u' '), QString::fromUtf8(expected) + u" <none>"_qs) << to;
        EXPECT_EQ(job.RecipientHistory.size(), 9);
    }
    EXPECT_EQ(loaded(), u"4|64k|/out|R5@x.test,r5@x.test,new@x.test,r1@x.test,r2@x.test,r3@x.test,r4@x.test,r5@x.test,"
                        "r6@x.test|R5@x.test");
}

} // namespace

// The file store: every text comes back as written, and QSettings, which wrote earlier files, reads it alike.
TEST(SettingsFile, ValuesComeBackAsWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Brevimo.conf"_qs);
    const QStringList values{u"Doe, John"_qs,
                             u"\"quoted\" and 'single'"_qs,
                             u"  blanks at both ends "_qs,
                             u"line 1\nline 2\r\n"_qs,
                             u"C:\\out\\new"_qs,
                             u"@Variant(not one)"_qs,
                             u"a;b # c = d"_qs,
                             u"tab\there"_qs,
                             u"\u00fcn\u00efc\u00f6d\u00e9"_qs,
                             QString(),
                             u"\x01 control"_qs};
    for (qsizetype i = 0; i < values.size(); ++i)
        IniFileStore(path).write(u"Brevimo"_qs, u"General"_qs, QStringLiteral("Key%1").arg(i), values[i]);
    IniFileStore reread(path);
    QSettings qt(path, QSettings::IniFormat);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QString key = QStringLiteral("Key%1").arg(i);
        EXPECT_EQ(reread.read(u"Brevimo"_qs, u"General"_qs, key, u"<none>"_qs), values[i]);
        EXPECT_EQ(qt.value(key).toString(), values[i]) << key.toStdString();
    }
    // And what QSettings wrote reads back the same here.
    QSettings older(dir.filePath(u"older.conf"_qs), QSettings::IniFormat);
    for (qsizetype i = 0; i < values.size(); ++i)
        older.setValue(QStringLiteral("Key%1").arg(i), values[i]);
    older.sync();
    IniFileStore fromQt(dir.filePath(u"older.conf"_qs));
    for (qsizetype i = 0; i < values.size(); ++i)
        EXPECT_EQ(fromQt.read(u"Brevimo"_qs, u"General"_qs, QStringLiteral("Key%1").arg(i), {}), values[i]);
}

// A hand-edited file keeps its lines; one the store cannot parse is kept aside whole before a new one is written.
TEST(SettingsFile, HandEditedAndUnparsableFiles) {
    const std::tuple<QByteArray, const char*, QByteArray, const char*> cases[] = {
        // the file, what FriendlyName reads, the file after SplitSize=3 is written, the notice ("*" any text)
        {"; mine\n[General]\nFriendlyName=Doe, John\nHost=mail.x\n\n[Other]\nkeep=1\n", "Doe, John",
         "; mine\n[General]\nFriendlyName=Doe, John\nHost=mail.x\nSplitSize=3\n\n[Other]\nkeep=1\n", ""},
        {"FriendlyName=Jo\n", "Jo", "FriendlyName=Jo\nSplitSize=3\n", ""}, // before any header: General
        {"[Other]\nkeep=1", "<none>", "[Other]\nkeep=1\n[General]\nSplitSize=3\n", ""},
        {"[General]\nHost=a\nthis is no setting\nFriendlyName=Jo\n", "Jo",
         "[General]\nHost=a\nFriendlyName=Jo\nSplitSize=3\n",
         "The settings file '$F' could not be read (line 3 is neither a setting nor a section). It was kept as "
         "'$F.unreadable', and a new one holds the settings from now on."},
        {"[General]\nFriendlyName=\"never closed\n", "<none>", "[General]\nSplitSize=3\n", "*(line 2 is neither*"},
        {QByteArray("\x00\x01\xff[General]", 11), "<none>", "[General]\nSplitSize=3\n",
         "*(it is not a text file). It was kept as '$F.unreadable'*"},
    };
    for (const auto& [before, name, after, notice] : cases) {
        SCOPED_TRACE(before.toStdString());
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Brevimo.conf"_qs);
        WriteFile(path, before);
        IniFileStore store(path);
        EXPECT_EQ(store.read(u"Brevimo"_qs, u"General"_qs, u"FriendlyName"_qs, u"<none>"_qs), QString::fromUtf8(name));
        store.write(u"Brevimo"_qs, u"General"_qs, u"SplitSize"_qs, u"3"_qs);
        EXPECT_EQ(QString::fromUtf8(ReadFile(path)), QString::fromUtf8(after));
        const QString told = store.takeNotice();
        EXPECT_TRUE(Matches(told, QString::fromUtf8(notice).replace(u"$F"_qs, path))) << told.toStdString();
        EXPECT_EQ(store.takeNotice(), u"") << "told once";
        if (*notice) {
            EXPECT_TRUE(ReadFile(path + u".unreadable"_qs) == before);
        }
    }
    // A store it cannot even read is not written over.
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(u"Brevimo.conf/inside"_qs);
    IniFileStore store(dir.filePath(u"Brevimo.conf"_qs));
    EXPECT_TRUE(
        Matches(Thrown<SettingsError>([&] { store.write(u"Brevimo"_qs, u"General"_qs, u"SplitSize"_qs, u"3"_qs); }),
                u"The settings could not be stored in '"_qs + dir.filePath(u"Brevimo.conf"_qs) + u"': *."_qs));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"Brevimo.conf/inside"_qs)));
}
