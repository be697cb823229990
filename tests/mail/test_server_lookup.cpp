// Finding the outgoing server of an address: the provider list, autoconfig files from a real local HTTPS server, and
// DNS submission records through a resolver that answers from a table.

#include "core/StringTable.h"
#include "mail/ServerLookup.h"
#include "mail/SubmissionSrv.h"
#include "support/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

void needApplication() {
    static int argc = 1;
    static char name[] = "test_mail";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv); // for the process's life: the network and DNS need its event loop
}

// tests/support/autoconfig_server.py with these options.
class AutoconfigServer {
public:
    explicit AutoconfigServer(const QStringList& options) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(u"/usr/bin/python3"_s, QStringList{QStringLiteral(BREVIMO_TESTS "/support/autoconfig_server.py"),
                                                          u"--folder"_s, dir_.path()} +
                                                  options);
        QStringList lines;
        while (lines.size() < 2 && process_.waitForReadyRead(20000))
            while (process_.canReadLine())
                lines << QString::fromUtf8(process_.readLine().trimmed());
        if (lines.size() == 2) {
            port_ = lines[0].toInt();
            authority_ = QSslCertificate::fromPath(lines[1]);
        }
    }
    ~AutoconfigServer() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }
    QString base() const { return u"https://127.0.0.1:%1"_s.arg(port_); }
    const QList<QSslCertificate>& authority() const { return authority_; }
    // The requests so far, once there are at least this many (the server notes each as it comes in).
    QStringList requests(qsizetype atLeast) const {
        QStringList lines;
        for (int tries = 0; tries < 100 && lines.size() < atLeast; ++tries, QThread::msleep(100)) {
            QFile f(dir_.filePath(u"requests"_s));
            lines = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                                : QStringList();
        }
        return lines;
    }

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
    QList<QSslCertificate> authority_;
};

// Answers SRV queries from a table, from the event loop as the system's DNS does; silent: never.
class TableResolver : public SrvResolver {
public:
    std::map<QString, QList<SrvRecord>> records;
    std::map<QString, QString> errors;
    bool silent = false;
    QStringList asked;

    void lookup(const QString& name, std::function<void(const SrvAnswer&)> answer) override {
        asked << name;
        if (silent)
            return;
        SrvAnswer a;
        if (auto it = records.find(name); it != records.end())
            a.records = it->second;
        if (auto it = errors.find(name); it != errors.end())
            a.error = it->second;
        QTimer::singleShot(0, this, [this, run = run_, answer, a] {
            if (run == run_)
                answer(a);
        });
    }
    void cancel() override { ++run_; }

private:
    int run_ = 0;
};

struct Outcome {
    std::optional<FoundServer> server;
    QString why;
    int answers = 0;
};

Outcome lookUp(ServerLookup& lookup, const QString& address) {
    Outcome o;
    QEventLoop loop;
    QObject::connect(&lookup, &ServerLookup::found, &loop, [&](const FoundServer& s) {
        o.server = s;
        ++o.answers;
        loop.quit();
    });
    QObject::connect(&lookup, &ServerLookup::notFound, &loop, [&](const QString& why) {
        o.why = why;
        ++o.answers;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit); // a hung lookup fails the test instead of the run
    lookup.start(address);
    loop.exec();
    QCoreApplication::processEvents(); // a second answer would come now
    return o;
}

const QString kMail = u"/mail/config-v1.1.xml"_s;
const QString kWellKnown = u"/.well-known/autoconfig/mail/config-v1.1.xml"_s;
const QString kQuery = u"?emailaddress=jo@example.org"_s;

// "host:port security login", and the user when there is one.
QString shown(const FoundServer& s) {
    return u"%1:%2 %3 %4"_s.arg(s.host).arg(s.port).arg(s.security, s.login) +
           (s.user.isEmpty() ? u""_s : u" "_s + s.user);
}

SrvRecord srv(const char* target, int port, int priority = 0, int weight = 0) {
    return SrvRecord{QString::fromLatin1(target), port, priority, weight};
}

} // namespace

TEST(ServerLookup, FindsEachProviderOfTheListWithoutAskingTheNetwork) {
    needApplication();
    const std::pair<const char*, const char*> rows[] = {
        {"jo@gmail.com", "smtp.gmail.com:465 tls oauth2"},
        {"Jo@GoogleMail.COM", "smtp.gmail.com:465 tls oauth2"},
        {"jo@outlook.com", "smtp-mail.outlook.com:587 starttls oauth2"},
        {"jo@hotmail.co.uk", "smtp-mail.outlook.com:587 starttls oauth2"},
        {"jo@contoso.onmicrosoft.com", "smtp.office365.com:587 starttls oauth2"},
        {"jo@yahoo.com", "smtp.mail.yahoo.com:465 tls password"},
        {"jo@icloud.com", "smtp.mail.me.com:587 starttls password"},
        {"jo@gmx.de", "mail.gmx.net:587 starttls password"},
        {"jo@gmx.com", "mail.gmx.com:587 starttls password"},
        {"jo@web.de.", "smtp.web.de:587 starttls password"},
        {"jo@posteo.de", "posteo.de:587 starttls password"},
        {"jo@mailbox.org", "smtp.mailbox.org:465 tls password"},
        {"jo@fastmail.com", "smtp.fastmail.com:465 tls password"},
        {"jo@aol.com", "smtp.aol.com:465 tls password"},
        {"jo@zohomail.com", "smtp.zoho.com:465 tls password"},
        {"jo@zoho.eu", "smtp.zoho.eu:465 tls password"},
    };
    for (const auto& [address, wanted] : rows) {
        SCOPED_TRACE(address);
        ServerLookup lookup;
        auto dns = std::make_unique<TableResolver>();
        TableResolver* asked = dns.get();
        lookup.setResolver(std::move(dns));
        lookup.setAutoconfigUrls({u"https://127.0.0.1:1/"_s});
        const Outcome o = lookUp(lookup, QString::fromLatin1(address));
        ASSERT_TRUE(o.server) << o.why.toStdString();
        EXPECT_EQ(o.answers, 1);
        EXPECT_EQ(shown(*o.server), QString::fromLatin1(wanted));
        EXPECT_EQ(o.server->source, u"Brevimo's list of providers"_s);
        EXPECT_EQ(asked->asked, QStringList());
    }
}

TEST(ServerLookup, RefusesWhatIsNotAnAddressWithADomainName) {
    needApplication();
    for (const char* address : {"jo", "jo@", "@example.org", "jo@exa mple.org",
                                "jo@example.org/evil?x=", "jo@[192.0.2.1]", "jo@-example.org"}) {
        SCOPED_TRACE(address);
        ServerLookup lookup;
        auto dns = std::make_unique<TableResolver>();
        TableResolver* asked = dns.get();
        lookup.setResolver(std::move(dns));
        const Outcome o = lookUp(lookup, QString::fromLatin1(address));
        EXPECT_FALSE(o.server);
        EXPECT_EQ(o.why, Text(Res::LookupNoDomain).arg(QString::fromLatin1(address)));
        EXPECT_EQ(asked->asked, QStringList());
    }
}

namespace {

const QString kSubmissions = u"_submissions._tcp.example.org"_s;
const QString kSubmission = u"_submission._tcp.example.org"_s;
const QString kClosed = u"https://127.0.0.1:1"_s; // nobody listens: refused at once
const QString kRefused = u"Connection refused"_s;

struct Row {
    const char* name = "";
    QStringList options{}; // of the autoconfig server; none: no server, the URLs go to a closed port
    QByteArray file{};     // the server serves this file instead of one made from the options
    bool trusted = true;   // the lookup trusts the server's certificate
    std::map<QString, QList<SrvRecord>> records{};
    std::map<QString, QString> errors{};
    bool dnsSilent = false;
    int stepMs = ServerLookup::kTimeoutMs, wholeMs = ServerLookup::kTimeoutMs;
    QStringList urls{}; // instead of the server's two places; "%1" is the server
    // Found: as shown(), and the source ("%1" is the server).
    QString found{}, source{};
    // Not found: each reason line, "%1" the server; a line ending in "..." is matched up to there.
    QStringList why{};
    QStringList requests{}; // that the server saw
};

QByteArray fileWith(const QByteArray& inside) {
    return "<?xml version=\"1.0\"?>\n<clientConfig version=\"1.1\"><emailProvider id=\"example.org\">" + inside +
           "</emailProvider></clientConfig>\n";
}

QByteArray outgoing(const char* host, const char* port, const char* socketType) {
    return QByteArray("<outgoingServer type=\"smtp\"><hostname>") + host + "</hostname><port>" + port +
           "</port><socketType>" + socketType + "</socketType><authentication>password-cleartext</authentication>" +
           "<username>%EMAILADDRESS%</username></outgoingServer>";
}

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

class Lookups : public ::testing::TestWithParam<Row> {};

} // namespace

TEST_P(Lookups, FindOrSayWhyNot) {
    needApplication();
    const Row& row = GetParam();
    std::optional<AutoconfigServer> server;
    QString base = kClosed;
    if (!row.options.isEmpty() || !row.file.isEmpty()) {
        QStringList options = row.options;
        if (!row.file.isEmpty()) {
            const QString path = QDir::temp().filePath(u"config-v1.1.xml"_s);
            WriteFile(path, row.file);
            options << u"--config"_s << path;
        }
        server.emplace(options);
        ASSERT_FALSE(server->authority().isEmpty()) << "the autoconfig server did not start";
        base = server->base();
    }
    ServerLookup lookup;
    if (server && row.trusted)
        lookup.setCaCertificates(server->authority());
    QStringList urls = row.urls.isEmpty() ? QStringList{u"%1"_s + kMail, u"%1"_s + kWellKnown} : row.urls;
    for (QString& url : urls)
        url = url.arg(base);
    lookup.setAutoconfigUrls(urls);
    auto dns = std::make_unique<TableResolver>();
    dns->records = row.records;
    dns->errors = row.errors;
    dns->silent = row.dnsSilent;
    lookup.setResolver(std::move(dns));
    lookup.setTimeouts(row.stepMs, row.wholeMs);

    const Outcome o = lookUp(lookup, u"jo@example.org"_s);
    EXPECT_EQ(o.answers, 1);
    if (!row.found.isEmpty()) {
        ASSERT_TRUE(o.server) << o.why.toStdString();
        EXPECT_EQ(shown(*o.server), row.found);
        EXPECT_EQ(o.server->source, row.source.arg(base));
    } else {
        ASSERT_FALSE(o.server) << o.server->host.toStdString();
        QStringList lines = o.why.split(u'\n');
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines.takeFirst(), u"No outgoing mail server was found for jo@example.org:"_s);
        EXPECT_EQ(lines.takeLast(), QStringLiteral("Ask your provider for the outgoing (SMTP) server, its port and "
                                                   "its security, and type them in."));
        ASSERT_EQ(lines.size(), row.why.size()) << o.why.toStdString();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QString wanted = u"- "_s + row.why[i].arg(base);
            if (wanted.endsWith(u"..."_s)) {
                wanted.chop(3);
                EXPECT_TRUE(lines[i].startsWith(wanted)) << lines[i].toStdString();
            } else {
                EXPECT_EQ(lines[i], wanted);
            }
        }
    }
    if (server) {
        QStringList wanted = row.requests;
        for (QString& r : wanted)
            r = r.arg(kQuery);
        EXPECT_EQ(server->requests(wanted.size()), wanted);
    }
}

INSTANTIATE_TEST_SUITE_P(
    ServerLookup, Lookups,
    ::testing::Values(
        Row{.name = "AutoconfigAtTheFirstPlace",
            .options = {u"--port"_s, u"587"_s},
            .found = u"smtp.example.org:587 starttls password"_s,
            .source = u"the autoconfig file at %1"_s + kMail,
            .requests = {kMail + u"%1 200"_s}},
        Row{.name = "AutoconfigAtTheSecondPlaceWithPlaceholders",
            .options = {u"--not-found"_s, u"mail"_s, u"--socket-type"_s, u"SSL"_s, u"--port"_s, u"465"_s,
                        u"--hostname"_s, u"mx.%EMAILDOMAIN%"_s, u"--username"_s, u"%EMAILLOCALPART%"_s,
                        u"--authentication"_s, u"OAuth2"_s},
            .found = u"mx.example.org:465 tls oauth2 jo"_s,
            .source = u"the autoconfig file at %1"_s + kWellKnown,
            .requests = {kMail + u"%1 404"_s, kWellKnown + u"%1 200"_s}},
        Row{.name = "AutoconfigBeforeDns",
            .options = {u"--socket-type"_s, u"plain"_s, u"--port"_s, u"25"_s},
            .records = {{kSubmissions, {srv("submit.example.org", 465)}}},
            .found = u"smtp.example.org:25 none password"_s,
            .source = u"the autoconfig file at %1"_s + kMail,
            .requests = {kMail + u"%1 200"_s}},
        Row{.name = "EncryptedServerBeforeAPlainOne",
            .file = fileWith(outgoing("plain.example.org", "25", "plain") +
                             outgoing("%EMAILDOMAIN%", "587", "STARTTLS")),
            .found = u"example.org:587 starttls password"_s,
            .source = u"the autoconfig file at %1"_s + kMail,
            .requests = {kMail + u"%1 200"_s}},
        Row{.name = "MalformedFile",
            .file = fileWith("<outgoingServer type=\"smtp\"><hostname>smtp.example.org</hostname>"),
            .why = {u"%1"_s + kMail + u": not a valid autoconfig file (line 2..."_s,
                    u"%1"_s + kWellKnown + u": not a valid autoconfig file (line 2..."_s,
                    kSubmissions + u": no such record"_s, kSubmission + u": no such record"_s},
            .requests = {kMail + u"%1 200"_s, kWellKnown + u"%1 200"_s}},
        Row{.name = "DocumentTypeDeclarationRefused",
            .file = "<?xml version=\"1.0\"?>\n<!DOCTYPE clientConfig [<!ENTITY h \"smtp.elsewhere.example\">]>\n"
                    "<clientConfig version=\"1.1\"><emailProvider id=\"example.org\">" +
                    outgoing("&h;", "465", "SSL") + "</emailProvider></clientConfig>\n",
            .records = {{kSubmission, {srv("submit.example.org", 587)}}},
            .found = u"submit.example.org:587 starttls password"_s,
            .source = u"the DNS record "_s + kSubmission,
            .requests = {kMail + u"%1 200"_s, kWellKnown + u"%1 200"_s}},
        Row{.name = "NoUsableSmtpServer",
            .file = fileWith(outgoing("smtp.example.org", "99999", "SSL") + outgoing("smtp.example.org", "465", "TLS") +
                             outgoing("smtp example.org", "465", "SSL") +
                             "<outgoingServer type=\"ews\"><hostname>ews.example.org</hostname><port>443</port>"
                             "<socketType>SSL</socketType></outgoingServer>"),
            .why = {u"%1"_s + kMail + u": names no outgoing (SMTP) server that Brevimo can use"_s,
                    u"%1"_s + kWellKnown + u": names no outgoing (SMTP) server that Brevimo can use"_s,
                    kSubmissions + u": no such record"_s, kSubmission + u": no such record"_s},
            .requests = {kMail + u"%1 200"_s, kWellKnown + u"%1 200"_s}},
        Row{.name = "TooLarge",
            .file = fileWith(outgoing("smtp.example.org", "465", "SSL") + "<!--" + QByteArray(200 * 1024, 'x') + "-->"),
            .why = {u"%1"_s + kMail + u": larger than 128 KB, not read"_s,
                    u"%1"_s + kWellKnown + u": larger than 128 KB, not read"_s, kSubmissions + u": no such record"_s,
                    kSubmission + u": no such record"_s},
            .requests = {kMail + u"%1 200"_s, kWellKnown + u"%1 200"_s}},
        Row{.name = "UntrustedCertificateRefused",
            .options = {u"--port"_s, u"587"_s},
            .trusted = false,
            .why = {u"%1"_s + kMail + u": SSL handshake failed..."_s,
                    u"%1"_s + kWellKnown + u": SSL handshake failed..."_s, kSubmissions + u": no such record"_s,
                    kSubmission + u": no such record"_s}},
        Row{.name = "RedirectToPlainHttpRefused",
            .options = {u"--redirect"_s, u"http://127.0.0.1:1/mail/config-v1.1.xml"_s},
            .records = {{kSubmission, {srv(".", 0)}}},
            .why = {u"%1"_s + kMail + u": redirects to an address that is not HTTPS, not followed"_s,
                    u"%1"_s + kWellKnown + u": redirects to an address that is not HTTPS, not followed"_s,
                    kSubmissions + u": no such record"_s,
                    kSubmission + u": the domain says it offers no mail submission here (target \".\")"_s},
            .requests = {kMail + u"%1 301"_s, kWellKnown + u"%1 301"_s}},
        Row{.name = "PlainHttpAddressNotFetched",
            .urls = {u"http://127.0.0.1:1/mail/config-v1.1.xml"_s},
            .why = {u"http://127.0.0.1:1/mail/config-v1.1.xml"_s + u": not an HTTPS address, not fetched"_s,
                    kSubmissions + u": no such record"_s, kSubmission + u": no such record"_s}},
        Row{.name = "SrvLowestPriorityThenHighestWeight",
            .records = {{kSubmissions,
                         {srv("b.example.org", 465, 10, 50), srv("a.example.org", 465, 0, 1),
                          srv("c.example.org.", 1465, 0, 9)}},
                        {kSubmission, {srv("d.example.org", 587)}}},
            .found = u"c.example.org:1465 tls password"_s,
            .source = u"the DNS record "_s + kSubmissions},
        Row{.name = "SrvDotTargetThenSubmission",
            .records = {{kSubmissions, {srv(".", 0)}}, {kSubmission, {srv("mail.example.org", 587)}}},
            .found = u"mail.example.org:587 starttls password"_s,
            .source = u"the DNS record "_s + kSubmission},
        Row{.name = "SrvFailedThenSubmission",
            .records = {{kSubmission, {srv("mail.example.org", 587)}}},
            .errors = {{kSubmissions, u"Server failure"_s}},
            .found = u"mail.example.org:587 starttls password"_s,
            .source = u"the DNS record "_s + kSubmission},
        Row{.name = "NothingFound",
            .records = {{kSubmissions, {srv("", 0)}}},
            .errors = {{kSubmission, u"Server failure"_s}},
            .why = {kClosed + kMail + u": "_s + kRefused, kClosed + kWellKnown + u": "_s + kRefused,
                    kSubmissions + u": the domain says it offers no mail submission here (target \".\")"_s,
                    kSubmission + u": the lookup failed: Server failure"_s}},
        Row{.name = "EachStepTimesOut",
            .options = {u"--delay"_s, u"5"_s},
            .dnsSilent = true,
            .stepMs = 300,
            .why = {u"%1"_s + kMail + u": no answer within 0.3 seconds"_s,
                    u"%1"_s + kWellKnown + u": no answer within 0.3 seconds"_s,
                    kSubmissions + u": no answer within 0.3 seconds"_s,
                    kSubmission + u": no answer within 0.3 seconds"_s},
            .requests = {kMail + u"%1 200"_s, kWellKnown + u"%1 200"_s}},
        Row{.name = "TheWholeLookupTimesOut",
            .options = {u"--delay"_s, u"5"_s},
            .dnsSilent = true,
            .wholeMs = 400,
            .why = {u"%1"_s + kMail + u": no answer within 0.4 seconds"_s,
                    kSubmissions + u": no answer within 0.4 seconds"_s},
            .requests = {kMail + u"%1 200"_s}}),
    [](const ::testing::TestParamInfo<Row>& row) { return std::string(row.param.name); });

TEST(ServerLookup, AnswersOnlyTheLastStartAndNothingAfterCancel) {
    needApplication();
    ServerLookup lookup;
    auto dns = std::make_unique<TableResolver>();
    dns->records = {{kSubmissions, {srv("first.example.org", 465)}},
                    {u"_submissions._tcp.example.net"_s, {srv("second.example.net", 465)}}};
    lookup.setResolver(std::move(dns));
    lookup.setAutoconfigUrls({});
    int answers = 0;
    QObject::connect(&lookup, &ServerLookup::found, [&] { ++answers; });
    QObject::connect(&lookup, &ServerLookup::notFound, [&] { ++answers; });
    lookup.start(u"jo@gmail.com"_s);
    lookup.cancel();
    lookup.start(u"jo@example.org"_s);
    EXPECT_EQ(answers, 0); // never inside start()
    const Outcome o = lookUp(lookup, u"jo@example.net"_s);
    ASSERT_TRUE(o.server);
    EXPECT_EQ(o.server->host, u"second.example.net"_s);
    EXPECT_EQ(answers, 1);
    lookup.start(u"jo@example.org"_s);
    lookup.cancel();
    QTimer::singleShot(0, [] {});
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(answers, 1);
}
