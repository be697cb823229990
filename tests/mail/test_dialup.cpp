// The dial-up connection around a mail job, over a stand-in nmcli that records its calls, and the phonebook
// search over real folder trees.

#include "mail/ComponentError.h"
#include "mail/mRAS.h"
#include "mail/modRASConnection.h"
#include "support/JobTest.h"
#include "support/Peers.h"

#include <QFile>
#include <QRegularExpression>

namespace {

TEST(FindFileInTree, DepthFirstExactNamesNoLinksOneFileSystem) {
    QTemporaryDir root, outside;
    const auto make = [](const QTemporaryDir& in, const char* name) {
        WriteFile(in.filePath(QString::fromUtf8(name)), "[Office]\n");
        return in.filePath(QString::fromUtf8(name));
    };
    const auto find = [&](const QString& folder) { return FindFileInTree(folder, u"rasphone.pbk"_qs); };
    make(root, "x/RASPHONE.PBK");
    make(root, "x/rasphone.pbk.bak");
    // A loop back to the top, a link into a tree that holds the file, and a link to the file: none is followed.
    ASSERT_TRUE(QFile::link(root.path(), root.filePath(u"x/loop"_qs)));
    ASSERT_TRUE(QFile::link(QFileInfo(make(outside, "hidden/rasphone.pbk")).path(), root.filePath(u"x/elsewhere"_qs)));
    ASSERT_TRUE(QFile::link(outside.filePath(u"hidden/rasphone.pbk"_qs), root.filePath(u"rasphone.pbk"_qs)));
    EXPECT_EQ(find(root.path()), QString());
    EXPECT_EQ(find(root.filePath(u"missing"_qs)), QString());
    // A folder's own file wins over its subfolders', at every level.
    const QString deep = make(root, "x/y/rasphone.pbk");
    make(root, "x/y/z/rasphone.pbk");
    EXPECT_EQ(find(root.path()), deep);
    QFile::remove(root.filePath(u"rasphone.pbk"_qs));
    EXPECT_EQ(find(root.path()), make(root, "rasphone.pbk"));
}

class DialUp : public JobTest {
protected:
    void SetUp() override { ASSERT_TRUE(nmcli.ready()); }
    QStringList connectionCalls() const { return nmcli.calls().filter(u"connection"_qs); }

    StandInNmcli nmcli;
    mRAS ras;
};

TEST_F(DialUp, ComponentListsConnectsAndHangsUp) {
    EXPECT_TRUE(ras.Available());
    nmcli.set("NMCLI_AVAILABLE", u"0"_qs);
    EXPECT_FALSE(ras.Available());
    nmcli.set("NMCLI_CONNECTIONS", u"Office,Home\\:Modem,Back\\"_qs);
    ASSERT_EQ(ras.EntryCount(), 3);
    EXPECT_EQ(ras.Entry(0) + u'|' + ras.Entry(1) + u'|' + ras.Entry(2), u"Office|Home:Modem|Back\\"); // escapes undone

    // A phonebook file's sections are its entries.
    ras.setPhoneBook(file(u"book.pbk"_qs, "[Work VPN]\nDEVICE=modem\n[Office]\n"));
    EXPECT_EQ(ras.EntryCount(), 2);
    ras.EntryName = u"Work VPN"_qs;
    ras.GetEntry();
    ras.EntryName = u"Nowhere"_qs;
    EXPECT_THROW(ras.GetEntry(), ComponentError);
    EXPECT_THROW(ras.Connect(), ComponentError) << "a failed GetEntry leaves nothing to dial";
    ras.EntryName = u"Work VPN"_qs;
    ras.GetEntry();
    ras.Blocking = true;
    ras.Connect();
    ras.Disconnect();
    ras.Disconnect(); // nothing up any more: nothing to end
    EXPECT_EQ(connectionCalls().filter(QRegularExpression(u"connection (up|down)"_qs)),
              (QStringList{u"--wait 90 connection up id Work VPN @0"_qs, u"connection down id Work VPN @0"_qs}));
}

// The mail branch with UseRAS set: dialled before the first message, hung up after the last or a failure. A
// first attempt that fails searches the tree for the default phonebook (unless one is configured) and dials again
// with it.
TEST_F(DialUp, AroundTheMailSeries) {
    job.SendTo = u"to@x.test"_qs;
    job.SourceFile = file(u"data.bin"_qs, PatternBytes(2500000));
    job.NoUI = true;
    const QString up = u"--wait 90 connection up id Office @0"_qs, show = u"-t -f NAME connection show @0|"_qs;
    const QString down = u"|connection down id Office @3"_qs;
    struct Case {
        const char *connections, *failing, *configured, *phonebooks, *server;
        QString calls; // those of "connection", each with the number of mails the server had then
        bool sent;
        const char* told; // the first box
    };
    const Case cases[] = {
        {"Office", "", "", "ras/rasphone.pbk", "", show + up + down, true, ""}, // up at once: no search
        {"Office", "", "", "", "--reject-message 2", show + up + u"|connection down id Office @1"_qs, false,
         "message 2 refused"},
        {"Other", "", "", "a/rasphone.pbk,a/b/rasphone.pbk", "", show + up + down, true, ""}, // found, and stored
        {"Office", "Office", "", "", "", show + up, true, ""}, // nothing found: no second attempt
        {"Office", "", "gone/my.pbk", "rasphone.pbk", "", "", true,
         "Unable to locate phonebook file: \r\n'$TREE/gone/my.pbk' \r\nPlease locate it under settings."},
        {"Office", "Office", "my.pbk", "my.pbk", "", up + u'|' + up, false,
         "The dial-up connection 'Office' could not be made: The connection 'Office' could not be made: Error: "
         "Connection activation failed: no carrier."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.calls.toStdString());
        QTemporaryDir tree;
        for (const QString& book : QString::fromUtf8(c.phonebooks).split(u',', Qt::SkipEmptyParts))
            WriteFile(tree.filePath(book), "[Office]\n");
        SmtpServer server(QString::fromUtf8(c.server).split(u' ', Qt::SkipEmptyParts));
        ASSERT_TRUE(server.running());
        sender(server.host());
        store.set(u"UseRAS"_qs, u"-1"_qs);
        store.set(u"RASConnection"_qs, u"Office"_qs);
        const QString book = *c.configured ? tree.filePath(QString::fromUtf8(c.configured)) : QString();
        store.set(u"RASPhoneBook"_qs, book);
        nmcli.set("NMCLI_CONNECTIONS", QString::fromUtf8(c.connections));
        nmcli.set("NMCLI_FAIL_UP", QString::fromUtf8(c.failing));
        nmcli.set("NMCLI_WATCH", server.folder());
        const qsizetype before = connectionCalls().size();
        shell = ScriptedShell();
        Settings fresh(store, u"/opt"_qs, [] { return false; });
        JobDriver driver(job, fresh, shell);
        driver.setPhoneBookSearchRoot(tree.path());
        EXPECT_EQ(driver.StartProcess(), c.sent);
        EXPECT_EQ(server.messageCount(), c.sent ? 3 : *c.server ? 1 : 0);
        EXPECT_EQ(connectionCalls().mid(before).join(u'|'), c.calls);
        EXPECT_EQ(store.get(u"RASPhoneBook"_qs),
                  QByteArray(c.connections) == "Other" ? tree.filePath(u"a/rasphone.pbk"_qs) : book);
        const QString told = QString::fromUtf8(c.told).replace(u"$TREE"_qs, tree.path());
        EXPECT_TRUE(told.isEmpty() ? shell.boxes.empty() : shell.texts().at(0).contains(told))
            << shell.told().toStdString();
        EXPECT_EQ(shell.last().startsWith(u"The pieces are kept in"_qs), !c.sent);
    }
}

} // namespace
