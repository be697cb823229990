#include "settings/JobSettings.h"
#include "settings/QSettingsStore.h"
#include "settings/Settings.h"
#include "support/MemoryStore.h"

#include <QFile>
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
    for (int slot = 1; slot <= 10; ++slot) {
        s.setEMailAddressIndex(slot);
        EXPECT_EQ(s.ToEMailAddress(), u"");
    }
    EXPECT_EQ(s.Host(), u"");
    EXPECT_EQ(s.FriendlyName(), u"");
    EXPECT_EQ(s.FromEMailAddress(), u"");
    EXPECT_EQ(s.RASPhoneBook(), u"");
    EXPECT_EQ(s.RASConnection(), u"");
    EXPECT_EQ(store.writes, 0); // reading stores nothing

    SplitJob job;
    LoadJobDefaults(s, job);
    EXPECT_EQ(job.SizeIndex, 1);
    EXPECT_EQ(job.SplitFolder, u"/opt/brevimo");
    EXPECT_TRUE(job.RecipientHistory.isEmpty());
    EXPECT_EQ(job.SendTo, u"");
    EXPECT_EQ(job.target(), Target::Mail);
}

TEST_F(SettingsTest, UseRasDefaultsToTheDialUpComponent) {
    dialUp = true;
    Settings s = make();
    EXPECT_TRUE(s.UseRAS());
    EXPECT_TRUE(s.UseRAS());
    EXPECT_EQ(availableAsked, 1);
    store.set(u"UseRAS"_qs, u"0"_qs);
    Settings stored = make();
    EXPECT_FALSE(stored.UseRAS());
    EXPECT_EQ(availableAsked, 1); // a stored value never asks the component
}

TEST_F(SettingsTest, PresentButEmptyKeysAreNotDefaults) {
    for (const char* key : {"SplitDir", "SplitSize", "CustomSplitSize", "ShowWelcome", "DefaultBody"})
        store.set(QString::fromUtf8(key), QString());
    Settings s = make();
    EXPECT_EQ(s.SplitDir(), u"");
    EXPECT_EQ(s.SplitSize(), 0); // the "512 kB" option
    EXPECT_EQ(s.CustomSplitSize(), u"");
    EXPECT_FALSE(s.ShowWelcome());
    EXPECT_EQ(s.DefaultBody(), u"");
}

TEST_F(SettingsTest, StoredFormsAndConversions) {
    Settings s = make();
    s.setShowWelcome(false);
    s.setUseRAS(true);
    s.setSplitSize(3);
    EXPECT_EQ(store.get(u"ShowWelcome"_qs), u"0");
    EXPECT_EQ(store.get(u"UseRAS"_qs), u"-1");
    EXPECT_EQ(store.get(u"SplitSize"_qs), u"3");

    store.set(u"SplitSize"_qs, u"2.5"_qs);
    store.set(u"ShowWelcome"_qs, u"7 apples"_qs);
    store.set(u"UseRAS"_qs, u"maybe"_qs);
    Settings hand = make();
    EXPECT_EQ(hand.SplitSize(), 2); // halves to even
    EXPECT_TRUE(hand.ShowWelcome());
    EXPECT_FALSE(hand.UseRAS()); // not a stored form: the component's answer

    store.set(u"SplitSize"_qs, u"99999"_qs);
    EXPECT_EQ(make().SplitSize(), 1);
    store.set(u"SplitSize"_qs, u"7"_qs);
    Settings outside = make();
    EXPECT_EQ(outside.SplitSize(), 7);
    SplitJob job;
    LoadJobDefaults(outside, job);
    EXPECT_EQ(job.SizeIndex, 1); // no option 7: the window falls back to "1 MB"
}

TEST_F(SettingsTest, EachSettingIsReadOnceAndWrittenAtOnce) {
    store.set(u"Host"_qs, u"mail.example.test"_qs);
    Settings s = make();
    EXPECT_EQ(s.Host(), u"mail.example.test");
    store.set(u"Host"_qs, u"changed.behind.our.back"_qs);
    EXPECT_EQ(s.Host(), u"mail.example.test");
    EXPECT_EQ(store.reads[u"Host"_qs], 1);

    s.setHost(u"new.example.test"_qs);
    EXPECT_EQ(store.get(u"Host"_qs), u"new.example.test");
    EXPECT_EQ(s.Host(), u"new.example.test");
    EXPECT_EQ(store.reads[u"Host"_qs], 1);

    // An empty value read once is not read again either.
    EXPECT_EQ(s.RASConnection(), u"");
    EXPECT_EQ(s.RASConnection(), u"");
    EXPECT_EQ(store.reads[u"RASConnection"_qs], 1);
}

TEST_F(SettingsTest, RecipientSlots) {
    Settings s = make();
    EXPECT_THROW(s.setEMailAddressIndex(0), std::out_of_range);
    EXPECT_THROW(s.setEMailAddressIndex(11), std::out_of_range);
    s.setEMailAddressIndex(10);
    s.setToEMailAddress(u"ten@x.test"_qs);
    EXPECT_EQ(store.get(u"ToEMailAddress10"_qs), u"ten@x.test");
    s.setEMailAddressIndex(2);
    s.setToEMailAddress(u"two@x.test"_qs);
    EXPECT_EQ(store.get(u"ToEMailAddress02"_qs), u"two@x.test");
}

TEST_F(SettingsTest, HistoryClosesGapsOnLoad) {
    store.set(u"ToEMailAddress02"_qs, u"b@x.test"_qs);
    store.set(u"ToEMailAddress05"_qs, u"e@x.test"_qs);
    Settings s = make();
    SplitJob job;
    LoadJobDefaults(s, job);
    EXPECT_EQ(job.RecipientHistory, (QStringList{u"b@x.test"_qs, u"e@x.test"_qs}));
    EXPECT_EQ(job.SendTo, u"b@x.test");
}

TEST_F(SettingsTest, HistoryAfterJobs) {
    for (int i = 1; i <= 9; ++i)
        store.set(QStringLiteral("ToEMailAddress%1").arg(i, 2, 10, QLatin1Char('0')),
                  QStringLiteral("r%1@x.test").arg(i));
    {
        Settings s = make();
        SplitJob job;
        LoadJobDefaults(s, job);
        // Sending again to the newest recipient changes nothing.
        StoreJobSettings(job, s);
        EXPECT_EQ(store.get(u"ToEMailAddress01"_qs), u"r1@x.test");
        EXPECT_EQ(job.RecipientHistory.size(), 9);

        // A new recipient goes on top and the oldest of nine drops out.
        job.SendTo = u"new@x.test"_qs;
        StoreJobSettings(job, s);
        EXPECT_EQ(job.RecipientHistory.size(), 9);
        EXPECT_EQ(job.RecipientHistory.first(), u"new@x.test");
        EXPECT_FALSE(job.RecipientHistory.contains(u"r9@x.test"_qs));
        EXPECT_EQ(store.get(u"ToEMailAddress01"_qs), u"new@x.test");
        EXPECT_EQ(store.get(u"ToEMailAddress02"_qs), u"r1@x.test");
        EXPECT_EQ(store.get(u"ToEMailAddress09"_qs), u"r8@x.test");
        EXPECT_FALSE(store.has(u"ToEMailAddress10"_qs));

        // An address further down is put on top again; duplicates stay.
        job.SendTo = u"r5@x.test"_qs;
        StoreJobSettings(job, s);
        EXPECT_EQ(job.RecipientHistory.first(), u"r5@x.test");
        EXPECT_EQ(job.RecipientHistory.count(u"r5@x.test"_qs), 2);
    }
    // Letter case counts: a differently written address is new.
    Settings s = make();
    SplitJob job;
    LoadJobDefaults(s, job);
    job.SendTo = u"R5@x.test"_qs;
    StoreJobSettings(job, s);
    EXPECT_EQ(store.get(u"ToEMailAddress01"_qs), u"R5@x.test");
    EXPECT_EQ(store.get(u"ToEMailAddress02"_qs), u"r5@x.test");
}

TEST_F(SettingsTest, JobSettingsStoreSizeAndFolder) {
    Settings s = make();
    SplitJob job;
    job.SizeIndex = 4;
    job.CustomSplitSize = u"64k"_qs;
    job.SplitFolder = u"/out"_qs;
    StoreJobSettings(job, s);
    EXPECT_EQ(store.get(u"SplitSize"_qs), u"4");
    EXPECT_EQ(store.get(u"CustomSplitSize"_qs), u"64k");
    EXPECT_EQ(store.get(u"SplitDir"_qs), u"/out");
}

// The real store: an INI file whose [General] section holds the keys, read back as written.
TEST(QSettingsStoreTest, RoundTripThroughTheFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Brevimo.conf"));
    {
        QSettingsStore store(file);
        store.write(u"Brevimo"_qs, u"General"_qs, u"SplitDir"_qs, u"/home/u/out, with comma"_qs);
        store.write(u"Brevimo"_qs, u"General"_qs, u"Empty"_qs, QString());
        store.write(u"Brevimo"_qs, u"General"_qs, u"At"_qs, u"@odd"_qs);
        // Written at once: the file holds it before the store goes away.
        const QByteArray text = [&] {
            QFile f(file);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        EXPECT_TRUE(text.startsWith("[General]\n")) << text.toStdString();
        EXPECT_TRUE(text.contains("SplitDir=")) << text.toStdString();
    }
    QSettingsStore again(file);
    EXPECT_EQ(again.read(u"Brevimo"_qs, u"General"_qs, u"SplitDir"_qs, u"d"_qs), u"/home/u/out, with comma");
    EXPECT_EQ(again.read(u"Brevimo"_qs, u"General"_qs, u"Empty"_qs, u"d"_qs), u"");
    EXPECT_EQ(again.read(u"Brevimo"_qs, u"General"_qs, u"At"_qs, u"d"_qs), u"@odd");
    EXPECT_EQ(again.read(u"Brevimo"_qs, u"General"_qs, u"Missing"_qs, u"d"_qs), u"d");

    // A hand-edited list is one text again.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("Hand=a@x.test, b@x.test\n");
    f.close();
    QSettingsStore third(file);
    EXPECT_EQ(third.read(u"Brevimo"_qs, u"General"_qs, u"Hand"_qs, {}), u"a@x.test,b@x.test");
}

TEST(QSettingsStoreTest, UnwritableStoreIsReported) {
    QSettingsStore store(QStringLiteral("/proc/brevimo-cannot-be-here/Brevimo.conf"));
    EXPECT_THROW(store.write(u"Brevimo"_qs, u"General"_qs, u"SplitDir"_qs, u"x"_qs), SettingsError);
}

} // namespace
