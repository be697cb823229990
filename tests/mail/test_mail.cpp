// Split mails sent to a real SMTP server and read back as MIME messages.

#include <gmime/gmime.h>

#include "mail/Netrc.h"
#include "mail/SendSplitMails.h"
#include "mail/mMail.h"
#include "split/JobDriver.h"
#include "support/Files.h"
#include "support/MemoryStore.h"
#include "support/ScriptedShell.h"
#include "support/SmtpServer.h"
#include "support/Tls.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include <map>

namespace {

struct Attachment {
    QString name;     // from Content-Disposition
    QString typeName; // from the Content-Type parameter "name"
    QByteArray bytes;
};

struct Received {
    std::map<QByteArray, QByteArray> headers; // lower-case name -> raw value
    QByteArray rawHeaders;
    std::vector<Attachment> attachments;
    QString text;
    QByteArray textType;
    int parts = 0;
};

QByteArray decoded(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    GMimeStream* out = g_mime_stream_mem_new();
    g_mime_data_wrapper_write_to_stream(content, out);
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out));
    QByteArray result(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len));
    g_object_unref(out);
    return result;
}

Received parse(const QByteArray& raw) {
    Received r;
    r.rawHeaders = raw.left(raw.indexOf("\r\n\r\n") + 2);
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(raw.constData(), static_cast<size_t>(raw.size()));
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    g_object_unref(parser);
    g_object_unref(stream);
    if (!message) {
        ADD_FAILURE() << "not a MIME message";
        return r;
    }
    GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(message));
    for (int i = 0; i < g_mime_header_list_get_count(headers); ++i) {
        GMimeHeader* h = g_mime_header_list_get_header_at(headers, i);
        r.headers[QByteArray(g_mime_header_get_name(h)).toLower()] = g_mime_header_get_value(h);
    }
    GMimeObject* body = g_mime_message_get_mime_part(message);
    if (GMIME_IS_MULTIPART(body)) {
        GMimeMultipart* mp = GMIME_MULTIPART(body);
        r.parts = g_mime_multipart_get_count(mp);
        for (int i = 0; i < r.parts; ++i) {
            GMimeObject* child = g_mime_multipart_get_part(mp, i);
            GMimePart* part = GMIME_PART(child);
            const char* filename = g_mime_part_get_filename(part);
            if (filename && g_mime_object_get_content_disposition(child)) {
                const char* typeName = g_mime_object_get_content_type_parameter(child, "name");
                r.attachments.push_back(
                    {QString::fromUtf8(filename), QString::fromUtf8(typeName ? typeName : ""), decoded(part)});
            } else {
                r.text = QString::fromUtf8(decoded(part)).replace(u"\r\n"_qs, u"\n"_qs);
                const std::unique_ptr<char, decltype(&g_free)> mimeType(
                    g_mime_content_type_get_mime_type(g_mime_object_get_content_type(child)), &g_free);
                r.textType = mimeType.get();
                const char* charset = g_mime_object_get_content_type_parameter(child, "charset");
                r.textType += QByteArray("; charset=") + (charset ? charset : "");
            }
        }
    }
    g_object_unref(message);
    return r;
}

class Mail : public ::testing::Test {
protected:
    Mail() : settings(store, QStringLiteral("/opt"), [] { return false; }) {
        store.set(u"FriendlyName"_qs, u"Jo Sender"_qs);
        store.set(u"FromEMailAddress"_qs, u"jo@sender.test"_qs);
        job.SendTo = u"to@x.test"_qs;
        job.Subject = u"Holiday photos"_qs;
        job.SourceFile = dir.filePath(u"report.zip"_qs);
        source = PatternBytes(2500000);
        WriteFile(job.SourceFile, source);
    }

    void useServer(const SmtpServer& server) { store.set(u"Host"_qs, server.host()); }

    bool run() { return JobDriver(job, settings, shell).StartProcess(); }

    // Folders that jobs left in the temporary folder.
    static QStringList jobFolders() {
        return QDir(QDir::tempPath()).entryList({u"brevimo-*"_qs}, QDir::Dirs | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
    MemoryStore store;
    Settings settings;
    ScriptedShell shell;
    SplitJob job;
    QByteArray source;
};

TEST_F(Mail, SeriesOfThreeOnOneConnectionRebuildsTheSource) {
    SmtpServer server;
    ASSERT_TRUE(server.running());
    useServer(server);
    const QStringList before = jobFolders();

    ASSERT_TRUE(run()) << (shell.boxes.empty() ? std::string() : shell.boxes.back().text.toStdString());
    ASSERT_EQ(server.messageCount(), 3);
    EXPECT_EQ(server.connections(), 1);

    QByteArray rebuilt;
    for (int i = 1; i <= 3; ++i) {
        SCOPED_TRACE(i);
        const Received m = parse(server.message(i));
        EXPECT_EQ(m.headers.at("subject"), QStringLiteral("Holiday photos %1 of 3").arg(i).toUtf8());
        EXPECT_EQ(m.headers.at("from"), "Jo Sender <jo@sender.test>");
        EXPECT_EQ(m.headers.at("to"), "to@x.test");
        EXPECT_TRUE(QRegularExpression(u"Content-Type: multipart/mixed; boundary=\\d+_boundary\r\n"_qs)
                        .match(QString::fromUtf8(m.rawHeaders))
                        .hasMatch())
            << m.rawHeaders.toStdString();
        ASSERT_EQ(m.attachments.size(), i == 3 ? 2u : 1u);
        EXPECT_EQ(m.attachments[0].name, QStringLiteral("report.00%1").arg(i));
        EXPECT_EQ(m.attachments[0].typeName, m.attachments[0].name);
        rebuilt += m.attachments[0].bytes;
        EXPECT_TRUE(m.text.startsWith(u"Copy all attatchements"));
        EXPECT_TRUE(
            m.text.endsWith(u"Created using Brevimo. To get your own copy, go to: https://brevimo.example.org/"));
        EXPECT_EQ(m.text.contains(u"PLEASE CHANGE THE '.TXT' EXTENSION"), i == 3);
        EXPECT_EQ(m.textType, "text/plain; charset=us-ascii");
        EXPECT_EQ(server.envelope(i), (QStringList{u"jo@sender.test"_qs, u"to@x.test"_qs}));
    }
    EXPECT_EQ(rebuilt, source);

    // The batch file went as text, with the two lines that ask for the old name back.
    const Received last = parse(server.message(3));
    EXPECT_EQ(last.attachments[1].name, u"report.txt");
    EXPECT_TRUE(
        last.attachments[1].bytes.startsWith("rem PLEASE CHANGE THE '.TXT' EXTENSION OF THIS FILE TO '.BAT'\r\n"));
    EXPECT_TRUE(last.attachments[1].bytes.contains("copy/b \"report.zip\" + \"report.003\"\r\n"));

    EXPECT_EQ(shell.texts().back(), u"Operation terminated successfully!");
    EXPECT_EQ(jobFolders(), before); // the private folder is gone
    // Every message drew a boundary of its own.
    const auto boundaryOf = [&](int n) {
        return QRegularExpression(u"boundary=(\\d+)_boundary"_qs)
            .match(QString::fromUtf8(server.message(n)))
            .captured(1);
    };
    EXPECT_NE(boundaryOf(1), boundaryOf(2));
    EXPECT_NE(boundaryOf(2), boundaryOf(3));
}

TEST_F(Mail, BatchFileAsBatWithoutTheNotice) {
    SmtpServer server;
    ASSERT_TRUE(server.running());
    useServer(server);
    job.BatchAsText = false;
    job.NoUI = true;
    ASSERT_TRUE(run());
    const Received last = parse(server.message(3));
    ASSERT_EQ(last.attachments.size(), 2u);
    EXPECT_EQ(last.attachments[1].name, u"report.bat");
    EXPECT_TRUE(last.attachments[1].bytes.startsWith("@echo off\r\n"));
    EXPECT_FALSE(last.text.contains(u"PLEASE CHANGE"));
    EXPECT_TRUE(shell.boxes.empty()); // no success box without a window
}

TEST_F(Mail, WithoutSourceOneMessageOfTextAlone) {
    SmtpServer server;
    ASSERT_TRUE(server.running());
    useServer(server);
    job.SourceFile.clear();
    job.Body = u"Just a note."_qs;
    ASSERT_TRUE(run());
    ASSERT_EQ(server.messageCount(), 1);
    const Received m = parse(server.message(1));
    EXPECT_EQ(m.headers.at("subject"), "Holiday photos");
    EXPECT_EQ(m.parts, 1);
    EXPECT_TRUE(m.attachments.empty());
    EXPECT_TRUE(m.text.startsWith(u"Just a note.\n\n-----"));
    EXPECT_EQ(shell.progress.front(), (std::pair<int, QString>{0, u"Connect to mailserver..."_qs}));
    EXPECT_EQ(shell.progress.back(), (std::pair<int, QString>{0, u"Disconnect from mailserver..."_qs}));
}

TEST_F(Mail, ListsReachTheEnvelopeAndBccNoHeader) {
    SmtpServer server;
    ASSERT_TRUE(server.running());
    useServer(server);
    job.SourceFile.clear();
    job.SendTo = u"a@x.test,b@x.test"_qs;
    job.CarbonCopy = u"c@x.test,d@x.test"_qs;
    job.BlindCarbonCopy = u"e@x.test,f@x.test"_qs;
    ASSERT_TRUE(run());
    EXPECT_EQ(server.envelope(1), (QStringList{u"jo@sender.test"_qs, u"a@x.test"_qs, u"b@x.test"_qs, u"c@x.test"_qs,
                                               u"d@x.test"_qs, u"e@x.test"_qs, u"f@x.test"_qs}));
    const Received m = parse(server.message(1));
    EXPECT_EQ(m.headers.count("bcc"), 0u);
    EXPECT_FALSE(m.rawHeaders.contains("e@x.test"));
    EXPECT_TRUE(m.headers.at("cc").contains("d@x.test"));
}

TEST_F(Mail, HeadersCannotBeInjectedAndNonAsciiIsEncoded) {
    SmtpServer server;
    ASSERT_TRUE(server.running());
    useServer(server);
    job.SourceFile.clear();
    job.Subject = u"Fotos vom M\u00e4rz\r\nBcc: spy@x.test"_qs;
    job.Body = u"Gr\u00fc\u00dfe"_qs;
    ASSERT_TRUE(run());
    const Received m = parse(server.message(1));
    EXPECT_FALSE(m.rawHeaders.contains("\nBcc:"));
    EXPECT_TRUE(m.rawHeaders.toLower().contains("subject: fotos vom =?utf-8?")) << m.rawHeaders.toStdString();
    EXPECT_EQ(m.headers.at("subject"), QString(u"Fotos vom M\u00e4rz  Bcc: spy@x.test"_qs).toUtf8());
    EXPECT_EQ(server.envelope(1).size(), 2);
    EXPECT_EQ(m.textType, "text/plain; charset=utf-8");
    EXPECT_TRUE(m.text.startsWith(u"Gr\u00fc\u00dfe"));
    EXPECT_TRUE(server.message(1).contains("quoted-printable"));
    // RFC 5322 date with a numeric zone.
    EXPECT_TRUE(QRegularExpression(u"^[A-Z][a-z]{2}, \\d{2} [A-Z][a-z]{2} \\d{4} \\d{2}:\\d{2}:\\d{2} [+-]\\d{4}$"_qs)
                    .match(QString::fromUtf8(m.headers.at("date")))
                    .hasMatch())
        << m.headers.at("date").toStdString();
}

TEST_F(Mail, HostNotFound) {
    store.set(u"Host"_qs, u"no-such-host.invalid"_qs);
    job.NoUI = true;
    const QStringList before = jobFolders();
    EXPECT_FALSE(run());
    ASSERT_FALSE(shell.boxes.empty());
    EXPECT_EQ(shell.boxes[0].text, u"Host not found!");
    EXPECT_EQ(shell.boxes[0].icon, MsgIcon::Critical);
    // The pieces are kept, and the user is told where.
    const QStringList after = jobFolders();
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_TRUE(shell.boxes.back().text.contains(u"The pieces are kept in"));
    for (const QString& f : after)
        if (!before.contains(f))
            QDir(QDir::temp().filePath(f)).removeRecursively();
}

TEST_F(Mail, RefusedMessageStopsTheSeriesAndKeepsThePieces) {
    for (const QStringList& options : {QStringList{u"--reject-message"_qs, u"2"_qs, u"--reject-code"_qs, u"554"_qs},
                                       QStringList{u"--reject-message"_qs, u"2"_qs, u"--reject-code"_qs, u"451"_qs},
                                       QStringList{u"--drop-message"_qs, u"2"_qs}}) {
        SCOPED_TRACE(options.join(u' ').toStdString());
        SmtpServer server(options);
        ASSERT_TRUE(server.running());
        useServer(server);
        Settings fresh(store, QStringLiteral("/opt"), [] { return false; }); // a new run reads the new host
        ScriptedShell runShell;
        const QStringList before = jobFolders();
        EXPECT_FALSE(JobDriver(job, fresh, runShell).StartProcess());
        EXPECT_EQ(server.messageCount(), 1); // 3 was never sent
        ASSERT_GE(runShell.boxes.size(), 2u);
        const MsgBoxRequest& failure = runShell.boxes[runShell.boxes.size() - 2];
        EXPECT_EQ(failure.icon, MsgIcon::None);
        if (options.first() == u"--reject-message") {
            EXPECT_TRUE(failure.text.contains(u"refused by the test server")) << failure.text.toStdString();
        }
        EXPECT_FALSE(runShell.texts().back().contains(u"successfully"));
        QStringList added;
        for (const QString& f : jobFolders())
            if (!before.contains(f))
                added << f;
        ASSERT_EQ(added.size(), 1);
        const QString kept = QDir::temp().filePath(added[0]);
        EXPECT_EQ(FolderEntries(kept),
                  (QStringList{u"report.001"_qs, u"report.002"_qs, u"report.003"_qs, u"report.bat"_qs}));
        QDir(kept).removeRecursively();
    }
}

// A temporary HOME whose ~/.netrc holds a login for the test server, and the test's certificate trusted.
class MailTls : public Mail {
protected:
    MailTls() : home_("HOME", homeDir.path().toUtf8()), certFile_("SSL_CERT_FILE", cert.certificate().toUtf8()) {
        WriteFile(homeDir.filePath(u".netrc"_qs), "machine 127.0.0.1\n  login jo\n  password s3cret\n");
        QFile::setPermissions(homeDir.filePath(u".netrc"_qs), QFile::ReadOwner | QFile::WriteOwner);
    }

    QStringList tlsServer(const char* mode) const {
        return {QString::fromLatin1(mode), cert.certificate(), cert.key(), u"--auth"_qs, u"jo"_qs, u"s3cret"_qs};
    }

    QTemporaryDir homeDir;
    SelfSignedCertificate cert;

private:
    ScopedEnv home_;
    ScopedEnv certFile_;
};

TEST_F(MailTls, StartTlsThenLoginFromNetrc) {
    ASSERT_TRUE(cert.valid());
    SmtpServer server(tlsServer("--starttls"));
    ASSERT_TRUE(server.running());
    useServer(server);
    ASSERT_TRUE(run()) << (shell.texts().empty() ? std::string() : shell.texts().back().toStdString());
    EXPECT_EQ(server.messageCount(), 3);
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(server.logins(), QStringList{u"jo s3cret tls"_qs});
    QByteArray rebuilt;
    for (int i = 1; i <= 3; ++i)
        rebuilt += parse(server.message(i)).attachments.at(0).bytes;
    EXPECT_EQ(rebuilt, source);
}

TEST_F(MailTls, ImplicitTlsWithSmtpsScheme) {
    ASSERT_TRUE(cert.valid());
    SmtpServer server(tlsServer("--smtps"));
    ASSERT_TRUE(server.running());
    store.set(u"Host"_qs, QStringLiteral("smtps://127.0.0.1:%1").arg(server.port()));
    job.SourceFile.clear();
    ASSERT_TRUE(run()) << (shell.texts().empty() ? std::string() : shell.texts().back().toStdString());
    EXPECT_EQ(server.messageCount(), 1);
    EXPECT_EQ(server.logins(), QStringList{u"jo s3cret tls"_qs});
}

TEST_F(MailTls, PasswordNeverCrossesAnOpenLine) {
    SmtpServer server({u"--auth"_qs, u"jo"_qs, u"s3cret"_qs, u"--auth-without-tls"_qs});
    ASSERT_TRUE(server.running());
    useServer(server);
    const QStringList before = jobFolders();
    EXPECT_FALSE(run());
    EXPECT_TRUE(server.logins().isEmpty()) << server.logins().join(u'|').toStdString();
    EXPECT_EQ(server.messageCount(), 0);
    ASSERT_GE(shell.boxes.size(), 2u);
    const QString told = shell.boxes[shell.boxes.size() - 2].text;
    EXPECT_TRUE(told.contains(u"offers no encrypted connection")) << told.toStdString();
    EXPECT_TRUE(told.contains(u"127.0.0.1"));
    for (const QString& f : jobFolders())
        if (!before.contains(f))
            QDir(QDir::temp().filePath(f)).removeRecursively();
}

TEST_F(MailTls, UntrustedCertificateStopsBeforeTheLogin) {
    ASSERT_TRUE(cert.valid());
    SmtpServer server(tlsServer("--starttls"));
    ASSERT_TRUE(server.running());
    useServer(server);
    job.SourceFile.clear();
    ScopedEnv noExtraTrust("SSL_CERT_FILE", "/nonexistent-ca.pem");
    EXPECT_FALSE(run());
    EXPECT_TRUE(server.logins().isEmpty());
    EXPECT_EQ(server.messageCount(), 0);
}

TEST(Netrc, FindsTheMachineOrTheDefault) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"netrc"_qs);
    WriteFile(path, "# mine\n"
                    "machine other.test login a password pa\n"
                    "macdef init\n  machine mail.test login evil password evil\n\n"
                    "default login d password pd\n"
                    "machine MAIL.test\n login b\n password pb\n");
    const auto mail = NetrcLoginFor(path, u"mail.test"_qs);
    ASSERT_TRUE(mail.has_value());
    EXPECT_EQ(mail->login, u"b");
    EXPECT_EQ(mail->password, u"pb");
    const auto other = NetrcLoginFor(path, u"other.test"_qs);
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(other->password, u"pa");
    const auto fallback = NetrcLoginFor(path, u"unknown.test"_qs);
    ASSERT_TRUE(fallback.has_value());
    EXPECT_EQ(fallback->login, u"d");
    EXPECT_FALSE(NetrcLoginFor(dir.filePath(u"missing"_qs), u"mail.test"_qs).has_value());
    WriteFile(path, "machine other.test login a password pa\n");
    EXPECT_FALSE(NetrcLoginFor(path, u"mail.test"_qs).has_value());
}

TEST(MailComponent, ComposesThePartsAsSet) {
    mMail mail;
    mail.SenderAddress = u"a@x.test"_qs;
    mail.Recipients = u"b@x.test"_qs;
    mail.MessageSubject = u"S"_qs;
    mail.setContentType(u"multipart"_qs);
    mail.setContentSubtype(u"mixed"_qs);
    mail.setContentParameter(u"boundary=123_boundary"_qs);
    mail.setBoundary(u"123_boundary"_qs);
    mail.AddPart();
    mail.SelectPart();
    mail.setContentType(u"text"_qs);
    mail.setContentSubtype(u"plain"_qs);
    mail.setContentParameter(u"charset=us-ascii"_qs);
    mail.setTransferEncoding(u"7bit"_qs);
    mail.AppendText(u"line one\nline two"_qs);
    mail.EndPart();
    const QByteArray text = mail.RenderMessage();
    EXPECT_TRUE(text.contains("Content-Type: multipart/mixed; boundary=123_boundary\r\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("--123_boundary\r\nContent-Type: text/plain; charset=us-ascii\r\n"));
    EXPECT_TRUE(text.contains("line one\r\nline two"));
    EXPECT_TRUE(text.contains("--123_boundary--"));

    // NewMessage forgets everything of the previous one.
    mail.NewMessage();
    EXPECT_TRUE(mail.EnvelopeRecipients().empty());
    EXPECT_FALSE(mail.RenderMessage().contains("123_boundary"));
}

TEST(MailComponent, BoundaryNumbersAreFreshAndInRange) {
    const uint64_t a = NextBoundaryNumber(), b = NextBoundaryNumber();
    EXPECT_NE(a, b);
    EXPECT_LE(a, 99999999999u);
    EXPECT_LE(b, 99999999999u);
}

} // namespace
