// The dial-up connection around a mail job, over a stand-in nmcli that records its calls, and the phonebook
// search over real folder trees.

#include "mail/ComponentError.h"
#include "mail/mRAS.h"
#include "mail/modRASConnection.h"
#include "split/JobDriver.h"
#include "support/Files.h"
#include "support/MemoryStore.h"
#include "support/ScriptedShell.h"
#include "support/SmtpServer.h"
#include "support/StandInNmcli.h"
#include "support/TmpfsMount.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

QString makeFile(const QTemporaryDir& root, const QString& relative, const QByteArray& bytes = "[Office]\n") {
    const QString path = root.filePath(relative);
    QDir().mkpath(QFileInfo(path).path());
    WriteFile(path, bytes);
    return path;
}

TEST(FindFileInTree, TheFolderOwnFileWinsOverItsSubfolders) {
    QTemporaryDir root;
    makeFile(root, u"a/rasphone.pbk"_qs);
    makeFile(root, u"z/deep/er/rasphone.pbk"_qs);
    const QString own = makeFile(root, u"rasphone.pbk"_qs);
    EXPECT_EQ(FindFileInTree(root.path(), u"rasphone.pbk"_qs), own);
    // One level down the same holds.
    QTemporaryDir nested;
    const QString inA = makeFile(nested, u"a/rasphone.pbk"_qs);
    makeFile(nested, u"a/sub/rasphone.pbk"_qs);
    EXPECT_EQ(FindFileInTree(nested.path(), u"rasphone.pbk"_qs), inA);
}

TEST(FindFileInTree, ExactNameOnlyAndNoSymlinks) {
    QTemporaryDir root;
    makeFile(root, u"x/RASPHONE.PBK"_qs);
    makeFile(root, u"x/rasphone.pbk.bak"_qs);
    EXPECT_EQ(FindFileInTree(root.path(), u"rasphone.pbk"_qs), QString());

    // A loop back to the top and a link into a tree that holds the file: neither is followed.
    QTemporaryDir outside;
    const QString target = makeFile(outside, u"hidden/rasphone.pbk"_qs);
    ASSERT_TRUE(QFile::link(root.path(), root.filePath(u"x/loop"_qs)));
    ASSERT_TRUE(QFile::link(outside.filePath(u"hidden"_qs), root.filePath(u"x/elsewhere"_qs)));
    ASSERT_TRUE(QFile::link(target, root.filePath(u"rasphone.pbk"_qs)));
    EXPECT_EQ(FindFileInTree(root.path(), u"rasphone.pbk"_qs), QString());

    // A real file deeper down is still found past them.
    const QString real = makeFile(root, u"x/y/rasphone.pbk"_qs);
    EXPECT_EQ(FindFileInTree(root.path(), u"rasphone.pbk"_qs), real);
    EXPECT_EQ(FindFileInTree(root.filePath(u"missing"_qs), u"rasphone.pbk"_qs), QString());
}

TEST(FindFileInTree, StaysOnItsFileSystemAndSkipsUnreadableFolders) {
    QTemporaryDir root;
    QDir().mkpath(root.filePath(u"mnt"_qs));
    {
        TmpfsMount other(root.filePath(u"mnt"_qs), 1 << 20);
        if (!other.available())
            GTEST_SKIP() << other.whyNot().toStdString();
        WriteFile(root.filePath(u"mnt/rasphone.pbk"_qs), "[Office]\n");
        EXPECT_EQ(FindFileInTree(root.path(), u"rasphone.pbk"_qs), QString());
        // Started on that file system, the search finds it.
        EXPECT_EQ(FindFileInTree(root.filePath(u"mnt"_qs), u"rasphone.pbk"_qs), root.filePath(u"mnt/rasphone.pbk"_qs));
    }
    if (geteuid() == 0)
        return; // root reads every folder; the rest needs an ordinary user
    makeFile(root, u"closed/rasphone.pbk"_qs);
    const QString open = makeFile(root, u"open/rasphone.pbk"_qs);
    QFile::setPermissions(root.filePath(u"closed"_qs), QFile::Permissions());
    EXPECT_EQ(FindFileInTree(root.path(), u"rasphone.pbk"_qs), open);
    QFile::setPermissions(root.filePath(u"closed"_qs), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

class DialUp : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(nmcli.ready()); }

    StandInNmcli nmcli;
    ScriptedShell shell;
    mRAS ras;
    QTemporaryDir tree;
};

TEST_F(DialUp, ComponentListsConnectsAndHangsUp) {
    EXPECT_TRUE(ras.Available());
    nmcli.set("NMCLI_AVAILABLE", u"0"_qs);
    EXPECT_FALSE(ras.Available());

    nmcli.set("NMCLI_CONNECTIONS", u"Office,Home\\:Modem"_qs);
    ASSERT_EQ(ras.EntryCount(), 2);
    EXPECT_EQ(ras.Entry(1), u"Home:Modem"); // terse output's escape undone
    ras.EntryName = u"Nowhere"_qs;
    EXPECT_THROW(ras.GetEntry(), ComponentError);

    // A phonebook file's sections are its entries.
    ras.setPhoneBook(makeFile(tree, u"book.pbk"_qs, "[Work VPN]\nDEVICE=modem\n[Office]\n"));
    EXPECT_EQ(ras.EntryCount(), 2);
    ras.EntryName = u"Work VPN"_qs;
    ras.GetEntry();
    ras.Blocking = true;
    ras.Connect();
    ras.Disconnect();
    EXPECT_EQ(nmcli.calls().mid(nmcli.calls().size() - 2),
              (QStringList{u"--wait 90 connection up id Work VPN @0"_qs, u"connection down id Work VPN @0"_qs}));
    // Nothing brought up: nothing to end.
    const qsizetype before = nmcli.calls().size();
    ras.Disconnect();
    EXPECT_EQ(nmcli.calls().size(), before);
}

TEST_F(DialUp, FirstAttemptUpReturnsThePathUnchanged) {
    nmcli.set("NMCLI_CONNECTIONS", u"Office"_qs);
    QString book;
    makeFile(tree, u"sub/rasphone.pbk"_qs);
    EXPECT_EQ(ConnectDialUp(book, u"Office"_qs, ras, shell, tree.path()), QString());
    EXPECT_TRUE(book.isEmpty()); // no search
    EXPECT_TRUE(shell.boxes.empty());
    EXPECT_TRUE(nmcli.calls().contains(u"--wait 90 connection up id Office @0"_qs));
}

TEST_F(DialUp, FailedFirstAttemptSearchesAndDialsWithTheFoundBook) {
    nmcli.set("NMCLI_CONNECTIONS", u"Other"_qs); // NetworkManager does not know the entry
    const QString found = makeFile(tree, u"Windows/System32/ras/rasphone.pbk"_qs, "[Office]\n");
    QString book;
    EXPECT_EQ(ConnectDialUp(book, u"Office"_qs, ras, shell, tree.path()), found);
    EXPECT_EQ(book, found);
    EXPECT_EQ(ras.PhoneBook(), found);
    EXPECT_EQ(nmcli.calls().filter(u"connection up"_qs), QStringList{u"--wait 90 connection up id Office @0"_qs});
    EXPECT_TRUE(shell.boxes.empty());
}

TEST_F(DialUp, SearchWithoutResultReturnsEmptyAndDialsNoMore) {
    nmcli.set("NMCLI_FAIL_UP", u"Office"_qs);
    nmcli.set("NMCLI_CONNECTIONS", u"Office"_qs);
    QString book;
    EXPECT_EQ(ConnectDialUp(book, u"Office"_qs, ras, shell, tree.path()), QString());
    EXPECT_EQ(nmcli.calls().filter(u"connection up"_qs).size(), 1);
    EXPECT_TRUE(shell.boxes.empty());
}

TEST_F(DialUp, ConfiguredBookMissingIsToldAndNotReplaced) {
    makeFile(tree, u"rasphone.pbk"_qs);
    QString book = tree.filePath(u"gone/my.pbk"_qs);
    const QString configured = book;
    EXPECT_EQ(ConnectDialUp(book, u"Office"_qs, ras, shell, tree.path()), configured);
    EXPECT_EQ(book, configured);
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].text,
              u"Unable to locate phonebook file: \r\n'"_qs + configured + u"' \r\nPlease locate it under settings."_qs);
    EXPECT_EQ(shell.boxes[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(nmcli.calls().filter(u"connection up"_qs).isEmpty());
}

TEST_F(DialUp, SecondAttemptFailureGoesToTheCaller) {
    const QString configured = makeFile(tree, u"my.pbk"_qs, "[Office]\n");
    nmcli.set("NMCLI_FAIL_UP", u"Office"_qs);
    QString book = configured;
    try {
        ConnectDialUp(book, u"Office"_qs, ras, shell, tree.path());
        ADD_FAILURE() << "no error from the second attempt";
    } catch (const ComponentError& e) {
        EXPECT_EQ(e.number(), mRAS::ConnectFailed);
        EXPECT_TRUE(e.description().contains(u"no carrier")) << e.description().toStdString();
    }
    EXPECT_EQ(nmcli.calls().filter(u"connection up"_qs).size(), 2);
}

// The Mail branch with UseRAS set.
class DialUpJob : public DialUp {
protected:
    DialUpJob() : settings(store, QStringLiteral("/opt"), [] { return false; }) {
        store.set(u"FriendlyName"_qs, u"Jo"_qs);
        store.set(u"FromEMailAddress"_qs, u"jo@x.test"_qs);
        store.set(u"UseRAS"_qs, u"-1"_qs);
        store.set(u"RASConnection"_qs, u"Office"_qs);
        job.SendTo = u"to@x.test"_qs;
        job.Subject = u"S"_qs;
        job.SourceFile = tree.filePath(u"data.bin"_qs);
        job.NoUI = true;
        WriteFile(job.SourceFile, PatternBytes(2500000));
    }

    bool run(const SmtpServer& server) {
        store.set(u"Host"_qs, server.host());
        nmcli.set("NMCLI_WATCH", server.folder());
        JobDriver driver(job, settings, shell);
        driver.setPhoneBookSearchRoot(tree.path());
        return driver.StartProcess();
    }

    MemoryStore store;
    Settings settings;
    SplitJob job;
};

TEST_F(DialUpJob, DialsBeforeTheFirstMessageAndHangsUpAfterTheLast) {
    nmcli.set("NMCLI_CONNECTIONS", u"Office"_qs);
    SmtpServer server;
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(run(server));
    EXPECT_EQ(server.messageCount(), 3);
    EXPECT_EQ(nmcli.calls(),
              (QStringList{u"-t -f NAME connection show @0"_qs, u"--wait 90 connection up id Office @0"_qs,
                           u"connection down id Office @3"_qs}));
}

TEST_F(DialUpJob, HangsUpAfterAFailedSeriesToo) {
    nmcli.set("NMCLI_CONNECTIONS", u"Office"_qs);
    SmtpServer server({u"--reject-message"_qs, u"2"_qs});
    ASSERT_TRUE(server.running());
    EXPECT_FALSE(run(server));
    EXPECT_EQ(nmcli.calls().filter(u"connection down"_qs), QStringList{u"connection down id Office @1"_qs});
    for (const QString& f : QDir(QDir::tempPath()).entryList({u"brevimo-*"_qs}, QDir::Dirs))
        if (QFile::exists(QDir::temp().filePath(f + u"/data.001"_qs)))
            QDir(QDir::temp().filePath(f)).removeRecursively();
}

TEST_F(DialUpJob, FoundPhonebookIsSavedForTheNextRun) {
    nmcli.set("NMCLI_CONNECTIONS", u"Other"_qs);
    const QString found = makeFile(tree, u"ras/rasphone.pbk"_qs, "[Office]\n");
    SmtpServer server;
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(run(server));
    EXPECT_EQ(store.get(u"RASPhoneBook"_qs), found);
}

TEST_F(DialUpJob, FailedDialEndsTheJobWithoutSendingAndSaysWhy) {
    const QString configured = makeFile(tree, u"my.pbk"_qs, "[Office]\n");
    store.set(u"RASPhoneBook"_qs, configured);
    nmcli.set("NMCLI_FAIL_UP", u"Office"_qs);
    SmtpServer server;
    ASSERT_TRUE(server.running());
    EXPECT_FALSE(run(server));
    EXPECT_EQ(server.connections(), 0);
    const std::vector<QString> texts = shell.texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_TRUE(texts[0].contains(u"The dial-up connection 'Office' could not be made"));
    EXPECT_TRUE(texts[0].contains(u"no carrier"));
    EXPECT_TRUE(texts.back().contains(u"The pieces are kept in"));
    EXPECT_TRUE(nmcli.calls().filter(u"connection down"_qs).isEmpty()); // nothing came up
    for (const QString& f : QDir(QDir::tempPath()).entryList({u"brevimo-*"_qs}, QDir::Dirs))
        if (QFile::exists(QDir::temp().filePath(f + u"/data.001"_qs)))
            QDir(QDir::temp().filePath(f)).removeRecursively();
}

} // namespace
