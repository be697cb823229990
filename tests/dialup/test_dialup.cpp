// The dial-up connection around a mail series, over a stand-in nmcli that records its calls, and a real SMTP server.

#include "core/ComponentError.h"
#include "dialup/NetworkManagerDialUp.h"
#include "support/JobTest.h"
#include "support/Peers.h"

#include <QRegularExpression>

namespace {

class DialUp : public JobTest {
protected:
    void SetUp() override { ASSERT_TRUE(nmcli.ready()); }
    QStringList connectionCalls() const { return nmcli.calls().filter(u"connection"_qs); }

    StandInNmcli nmcli;
    NetworkManagerDialUp ras;
};

TEST_F(DialUp, NetworkManagerListsConnectsAndHangsUp) {
    // Only connections made for a job are dial-up: the machine's own network is never listed, so never ended.
    const std::tuple<const char*, const char*, bool, const char*> lists[] = {
        // NetworkManager answers, its connections, available, the entries
        {"1", "Office:vpn,Home\\:Modem:gsm,Back\\\\:wireguard,Cable:802-3-ethernet,Wi-Fi:802-11-wireless", true,
         "Office|Home:Modem|Back\\"},
        {"1", "Cable:802-3-ethernet,Wi-Fi:802-11-wireless", false, ""},
        {"1", "Dsl:pppoe,Phone:bluetooth,Old:cdma", true, "Dsl|Phone|Old"},
        {"0", "Office:vpn", false, nullptr},
    };
    for (const auto& [answers, connections, available, entries] : lists) {
        nmcli.set("NMCLI_AVAILABLE", QString::fromUtf8(answers));
        nmcli.set("NMCLI_CONNECTIONS", QString::fromUtf8(connections));
        EXPECT_EQ(ras.available(), available) << connections;
        if (entries) {
            QStringList names;
            for (int i = 0; i < ras.entryCount(); ++i)
                names << ras.entry(i);
            EXPECT_EQ(names.join(u'|'), QString::fromUtf8(entries)); // escapes undone
        }
    }
    // A connection that was up before is used as it is, and left up.
    nmcli.set("NMCLI_AVAILABLE", u"1"_qs);
    nmcli.set("NMCLI_ACTIVE", u"Office"_qs);
    ras.entryName = u"Office"_qs;
    ras.findEntry();
    ras.connect();
    ras.disconnect();
    EXPECT_EQ(connectionCalls().filter(QRegularExpression(u"connection (up|down)"_qs)), QStringList());

    // A phonebook file's sections are its entries.
    ras.setPhoneBook(file(u"book.pbk"_qs, "[Work VPN]\nDEVICE=modem\n[Office]\n"));
    EXPECT_EQ(ras.entryCount(), 2);
    ras.entryName = u"Work VPN"_qs;
    ras.findEntry();
    ras.entryName = u"Nowhere"_qs;
    EXPECT_THROW(ras.findEntry(), ComponentError);
    EXPECT_THROW(ras.connect(), ComponentError) << "a failed findEntry leaves nothing to dial";
    ras.entryName = u"Work VPN"_qs;
    ras.findEntry();
    ras.blocking = true;
    ras.connect();
    ras.disconnect();
    ras.disconnect(); // nothing up any more: nothing to end
    EXPECT_EQ(connectionCalls().filter(QRegularExpression(u"connection (up|down)"_qs)),
              (QStringList{u"--wait 90 connection up id Work VPN @0"_qs, u"connection down id Work VPN @0"_qs}));
}

// The mail branch with UseRAS set: dialled before the first message, hung up after the last or a failure. A dial-up
// that fails is told with NetworkManager's reason, and the mails go over the network as it is, or the job stops
// when the settings ask so. A configured phonebook is dialled a second time; nothing is searched for.
TEST_F(DialUp, AroundTheMailSeries) {
    job.SendTo = u"to@x.test"_qs;
    job.SourceFile = file(u"data.bin"_qs, PatternBytes(2500000));
    job.NoUI = true;
    const QString show = u"-t -f NAME,TYPE connection show @0|"_qs,
                  active = u"-t -f NAME connection show --active @0"_qs;
    const QString up = active + u"|--wait 90 connection up id Office @0"_qs, down = u"|connection down id Office @3"_qs;
    const QString noCarrier =
        u"The dial-up connection 'Office' could not be made: The connection 'Office' could not be "
        "made: Error: Connection activation failed: no carrier.\n"_qs;
    const QString anyway = u"\nThe mails go over the network as it is."_qs;
    const QString stops = u"\nThe job stops, as the e-mail settings ask when the connection cannot be made."_qs;
    struct Case {
        const char *connections, *active, *failing, *configured, *server; // connections none: no NetworkManager
        bool required;                                                    // RASRequired
        QString calls; // those of "connection", each with the number of mails the server had then
        bool sent;
        QString told; // the first box, "*" for any text
    };
    const Case cases[] = {
        {"Office:vpn", "", "", "", "", false, show + up + down, true, QString()},
        {"Office:vpn", "", "", "", "--reject-message 2", false, show + up + u"|connection down id Office @1"_qs, false,
         u"*message 2 refused*"_qs},
        {"Other:vpn", "", "", "", "", false, show.chopped(1), true,
         u"The dial-up connection 'Office' could not be made: NetworkManager has no connection named 'Office'\n*"_qs +
             anyway},
        {"Office:vpn", "", "Office", "", "", false, show + up, true, noCarrier + u"*"_qs + anyway},
        {"Office:vpn", "", "Office", "", "", true, show + up, false, noCarrier + u"*"_qs + stops},
        {"Office:vpn", "", "", "gone/my.pbk", "", false, "", true,
         u"*Cannot find the connection list file: \r\n'$TREE/gone/my.pbk' \r\nPlease choose it in the e-mail settings.\n*"_qs +
             anyway},
        {"Office:vpn", "", "Office", "my.pbk", "", true, up + u'|' + up, false, noCarrier + u"*"_qs + stops},
        {"Office:vpn", "Office", "", "", "", false, show + active, true, QString()}, // up before: left up after
        {nullptr, "", "", "", "", false, "", true,
         u"Dial-up is switched on in the e-mail settings, but NetworkManager does not answer here, so 'Office' is not "
         "dialled.*"_qs +
             anyway},
        {nullptr, "", "", "", "", true, "", false, u"*NetworkManager does not answer here*"_qs + stops},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.calls.toStdString());
        forgetKeptSeries();
        QTemporaryDir tree;
        WriteFile(tree.filePath(u"my.pbk"_qs), "[Office]\n");
        SmtpServer server(QString::fromUtf8(c.server).split(u' ', Qt::SkipEmptyParts));
        ASSERT_TRUE(server.running());
        sender(server.host());
        store.set(u"UseRAS=-1\nRASConnection=Office\nRASRequired="_qs + (c.required ? u"-1"_qs : u"0"_qs));
        const QString book = *c.configured ? tree.filePath(QString::fromUtf8(c.configured)) : QString();
        store.set(u"RASPhoneBook"_qs, book);
        nmcli.set("NMCLI_AVAILABLE", c.connections ? u"1"_qs : u"0"_qs);
        nmcli.set("NMCLI_CONNECTIONS", QString::fromUtf8(c.connections));
        nmcli.set("NMCLI_ACTIVE", QString::fromUtf8(c.active));
        nmcli.set("NMCLI_FAIL_UP", QString::fromUtf8(c.failing));
        nmcli.set("NMCLI_WATCH", server.folder());
        const qsizetype before = connectionCalls().size();
        shell = ScriptedShell();
        EXPECT_EQ(run(), c.sent);
        EXPECT_EQ(server.messageCount(), c.sent ? 3 : *c.server ? 1 : 0);
        EXPECT_EQ(connectionCalls().mid(before).join(u'|'), c.calls);
        EXPECT_EQ(store.get(u"RASPhoneBook"_qs), book);
        const QString told = QString(c.told).replace(u"$TREE"_qs, tree.path());
        EXPECT_TRUE(told.isEmpty() ? shell.texts().size() == 1 : Matches(shell.texts().at(0), told))
            << shell.told().toStdString();
        EXPECT_EQ(shell.last().startsWith(u"The pieces are kept in"_qs), !c.sent);
    }
}

} // namespace
