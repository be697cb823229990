#include "settings/JobSettings.h"
#include "settings/QSettingsStore.h"
#include "settings/Settings.h"
#include "support/Files.h"
#include "support/MemoryStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SettingsTest : public ::testing::Test {
protected:
    Settings make() {
        return Settings(store, QStringLiteral("/opt/brevimo"), [this] {
            ++availableAsked;
            return dialUp;
        });
    }
    // The job fields the load step fills from the settings.
    SplitJob loaded() {
        Settings s = make();
        SplitJob job;
        LoadJobDefaults(s, job);
        return job;
    }

    MemoryStore store;
    bool dialUp = false;
    int availableAsked = 0;
};

TEST_F(SettingsTest, FreshUserGetsTheDefaults) {
    Settings s = make();
    EXPECT_EQ(s.SplitDir(), u"/opt/brevimo");
    EXPECT_EQ(s.SplitSize(), 1);
    EXPECT_EQ(s.CustomSplitSize(), u"100 MB");
    EXPECT_TRUE(s.ShowWelcome());
    EXPECT_TRUE(s.DefaultBody().startsWith(u"Copy all attatchements, of all the mails of this serie"));
    EXPECT_FALSE(s.UseRAS());
    EXPECT_EQ(s.FloppyDrive(), u"/media/floppy");
    for (int slot = 1; slot <= 10; ++slot) {
        s.setEMailAddressIndex(slot);
        EXPECT_EQ(s.ToEMailAddress(), u"");
    }
    EXPECT_EQ(s.Host() + s.FriendlyName() + s.FromEMailAddress() + s.RASPhoneBook() + s.RASConnection(), u"");
    EXPECT_EQ(store.writes, 0); // reading stores nothing

    const SplitJob job = loaded();
    EXPECT_EQ(job.SizeIndex, 1);
    EXPECT_EQ(job.SplitFolder, u"/opt/brevimo");
    EXPECT_TRUE(job.RecipientHistory.isEmpty());
    EXPECT_EQ(job.SendTo, u"");
    EXPECT_EQ(job.target(), Target::Mail);
}

TEST_F(SettingsTest, UseRasAsksTheDialUpComponentOnlyWithoutAStoredNumber) {
    dialUp = true;
    Settings s = make();
    EXPECT_TRUE(s.UseRAS());
    EXPECT_TRUE(s.UseRAS());
    EXPECT_EQ(availableAsked, 1);
    const std::tuple<const char*, bool, int> cases[] = {
        // stored, with the component saying yes: the answer, and whether the component is asked
        {"0", false, 0},
        {"-1", true, 0},
        {"0.5", false, 0},
        {"maybe", true, 1}};
    for (const auto& [text, expected, asks] : cases) {
        store.set(u"UseRAS"_qs, QString::fromUtf8(text));
        availableAsked = 0;
        EXPECT_EQ(make().UseRAS(), expected) << text;
        EXPECT_EQ(availableAsked, asks) << text;
    }
}

TEST_F(SettingsTest, StoredFormsAndConversions) {
    Settings s = make();
    s.setShowWelcome(false);
    s.setUseRAS(true);
    s.setSplitSize(3);
    EXPECT_EQ(store.get(u"ShowWelcome"_qs), u"0");
    EXPECT_EQ(store.get(u"UseRAS"_qs), u"-1");
    EXPECT_EQ(store.get(u"SplitSize"_qs), u"3");

    // Present but empty keys are not defaults.
    for (const char* key : {"SplitDir", "SplitSize", "CustomSplitSize", "ShowWelcome", "DefaultBody"})
        store.set(QString::fromUtf8(key), QString());
    Settings empty = make();
    EXPECT_EQ(empty.SplitDir() + empty.CustomSplitSize() + empty.DefaultBody(), u"");
    EXPECT_EQ(empty.SplitSize(), 0); // the "512 kB" option
    EXPECT_FALSE(empty.ShowWelcome());

    store.set(u"ShowWelcome"_qs, u"7 apples"_qs);
    EXPECT_TRUE(make().ShowWelcome());
    const std::tuple<const char*, int, int> sizes[] = {// stored, SplitSize, the option the window shows
                                                       {"2.5", 2, 2},
                                                       {"99999", 1, 1},
                                                       {"7", 7, 1},
                                                       {"-1", -1, 1},
                                                       {"4", 4, 4}};
    for (const auto& [text, size, option] : sizes) {
        store.set(u"SplitSize"_qs, QString::fromUtf8(text));
        EXPECT_EQ(make().SplitSize(), size) << text;
        EXPECT_EQ(loaded().SizeIndex, option) << text;
    }
}

TEST_F(SettingsTest, EachSettingIsReadOnceAndWrittenAtOnce) {
    store.set(u"Host"_qs, u"mail.example.test"_qs);
    Settings s = make();
    EXPECT_EQ(s.Host(), u"mail.example.test");
    store.set(u"Host"_qs, u"changed.behind.our.back"_qs);
    EXPECT_EQ(s.Host(), u"mail.example.test");
    s.setHost(u"new.example.test"_qs);
    EXPECT_EQ(store.get(u"Host"_qs), u"new.example.test");
    EXPECT_EQ(s.Host(), u"new.example.test");
    EXPECT_EQ(store.reads[u"Host"_qs], 1);
    // An empty value read once is not read again either.
    EXPECT_EQ(s.RASConnection() + s.RASConnection(), u"");
    EXPECT_EQ(store.reads[u"RASConnection"_qs], 1);

    EXPECT_THROW(s.setEMailAddressIndex(0), std::out_of_range);
    EXPECT_THROW(s.setEMailAddressIndex(11), std::out_of_range);
    for (int slot : {10, 2}) {
        s.setEMailAddressIndex(slot);
        s.setToEMailAddress(QStringLiteral("r%1@x.test").arg(slot));
    }
    EXPECT_EQ(store.get(u"ToEMailAddress10"_qs), u"r10@x.test");
    EXPECT_EQ(store.get(u"ToEMailAddress02"_qs), u"r2@x.test");
}

TEST_F(SettingsTest, RecipientHistory) {
    store.set(u"ToEMailAddress02"_qs, u"b@x.test"_qs);
    store.set(u"ToEMailAddress05"_qs, u"e@x.test"_qs);
    EXPECT_EQ(loaded().RecipientHistory, (QStringList{u"b@x.test"_qs, u"e@x.test"_qs})); // gaps close on load
    EXPECT_EQ(loaded().SendTo, u"b@x.test");

    for (int i = 1; i <= 9; ++i)
        store.set(QStringLiteral("ToEMailAddress%1").arg(i, 2, 10, QLatin1Char('0')),
                  QStringLiteral("r%1@x.test").arg(i));
    const std::tuple<const char*, const char*> jobs[] = {
        // sent to, the stored slots 01..10 after it
        {"r1@x.test", "r1 r2 r3 r4 r5 r6 r7 r8 r9"},   // the newest again changes nothing
        {"new@x.test", "new r1 r2 r3 r4 r5 r6 r7 r8"}, // on top, and the oldest of nine drops out
        {"r5@x.test", "r5 new r1 r2 r3 r4 r5 r6 r7"},  // further down: on top again, duplicates stay
        {"R5@x.test", "R5 r5 new r1 r2 r3 r4 r5 r6"},  // letter case counts
    };
    Settings s = make();
    SplitJob job = loaded();
    job.SizeIndex = 4;
    job.CustomSplitSize = u"64k"_qs;
    job.SplitFolder = u"/out"_qs;
    for (const auto& [to, expected] : jobs) {
        job.SendTo = QString::fromUtf8(to);
        StoreJobSettings(job, s);
        QStringList stored;
        for (int i = 1; i <= 10; ++i) {
            const QString key = QStringLiteral("ToEMailAddress%1").arg(i, 2, 10, QLatin1Char('0'));
            if (store.has(key))
                stored << store.get(key).section(u'@', 0, 0);
        }
        EXPECT_EQ(stored.join(u' '), QString::fromUtf8(expected)) << to;
        EXPECT_EQ(job.RecipientHistory.join(u' ').count(u'@'), 9);
    }
    EXPECT_EQ(store.get(u"SplitSize"_qs), u"4");
    EXPECT_EQ(store.get(u"CustomSplitSize"_qs), u"64k");
    EXPECT_EQ(store.get(u"SplitDir"_qs), u"/out");
}

// The real store: an INI file whose [General] section holds the keys, read back as written.
TEST(QSettingsStoreTest, RoundTripThroughTheFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath(u"Brevimo.conf"_qs);
    const QString app = u"Brevimo"_qs, general = u"General"_qs;
    const std::pair<QString, QString> values[] = {
        {u"SplitDir"_qs, u"/home/u/out, with comma"_qs}, {u"Empty"_qs, u""_qs}, {u"At"_qs, u"@odd"_qs}};
    {
        QSettingsStore store(file);
        for (const auto& [key, value] : values)
            store.write(app, general, key, value);
        // Written at once: the file holds it before the store goes away.
        const QByteArray text = ReadFile(file);
        EXPECT_TRUE(text.startsWith("[General]\n") && text.contains("SplitDir=")) << text.toStdString();
    }
    QSettingsStore again(file);
    for (const auto& [key, value] : values)
        EXPECT_EQ(again.read(app, general, key, u"d"_qs), value);
    EXPECT_EQ(again.read(app, general, u"Missing"_qs, u"d"_qs), u"d");

    // A hand-edited list is one text again.
    WriteFile(file, ReadFile(file) + "Hand=a@x.test, b@x.test\n");
    EXPECT_EQ(QSettingsStore(file).read(app, general, u"Hand"_qs, {}), u"a@x.test,b@x.test");

    QSettingsStore unwritable(u"/proc/brevimo-cannot-be-here/Brevimo.conf"_qs);
    EXPECT_THROW(unwritable.write(app, general, u"SplitDir"_qs, u"x"_qs), SettingsError);
}

} // namespace
