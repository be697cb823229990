// Split mails sent to a real SMTP server and read back as MIME messages. One group of cases, the series as the
// receiver gets it, is longer than most test files.

#include <gmime/gmime.h> // before Qt, whose keywords clash with GLib's

#include "core/PathNames.h"
#include "core/StringTable.h"
#include "mail/Credentials.h"
#include "mail/Keyring.h"
#include "mail/MailAccount.h"
#include "mail/MailSeries.h"
#include "mail/Mailboxes.h"
#include "mail/Netrc.h"
#include "split/BatchFile.h"
#include "split/SplitFile.h"
#include "support/JobTest.h"
#include "support/Peers.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace {

template <typename T> std::unique_ptr<T, decltype(&g_object_unref)> owned(T* object) {
    return {object, &g_object_unref};
}

struct Received {
    std::map<QByteArray, QByteArray> headers; // lower-case name -> raw value
    QByteArray rawHeaders;
    QStringList names;           // of the attachments
    QByteArrayList contentTypes; // of the attachments, as sent
    std::vector<QByteArray> attachments;
    QString text;
    QByteArray textType;
    int parts = 0;
};

QByteArray decoded(GMimeObject* part) {
    const auto out = owned(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(g_mime_part_get_content(GMIME_PART(part)), out.get());
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len));
}

Received parse(const QByteArray& raw) {
    Received r;
    r.rawHeaders = raw.left(raw.indexOf("\r\n\r\n") + 2);
    const auto stream = owned(g_mime_stream_mem_new_with_buffer(raw.constData(), static_cast<size_t>(raw.size())));
    const auto message =
        owned(g_mime_parser_construct_message(owned(g_mime_parser_new_with_stream(stream.get())).get(), nullptr));
    if (!message) {
        ADD_FAILURE() << "not a MIME message";
        return r;
    }
    GMimeHeaderList* headers = g_mime_object_get_header_list(GMIME_OBJECT(message.get()));
    for (int i = 0; i < g_mime_header_list_get_count(headers); ++i) {
        GMimeHeader* h = g_mime_header_list_get_header_at(headers, i);
        r.headers[QByteArray(g_mime_header_get_name(h)).toLower()] = g_mime_header_get_value(h);
    }
    auto* body = GMIME_MULTIPART(g_mime_message_get_mime_part(message.get()));
    r.parts = g_mime_multipart_get_count(body);
    for (int i = 0; i < r.parts; ++i) {
        GMimeObject* part = g_mime_multipart_get_part(body, i);
        if (const char* filename = g_mime_part_get_filename(GMIME_PART(part))) {
            EXPECT_STREQ(g_mime_object_get_content_type_parameter(part, "name"), filename);
            EXPECT_TRUE(g_mime_object_get_content_disposition(part));
            r.names << QString::fromUtf8(filename);
            r.contentTypes << QByteArray(g_mime_header_get_raw_value(g_mime_header_list_get_header(
                                             g_mime_object_get_header_list(part), "Content-Type")))
                                  .trimmed();
            r.attachments.push_back(decoded(part));
            continue;
        }
        r.text = QString::fromUtf8(decoded(part)).replace(u"\r\n"_qs, u"\n"_qs);
        const std::unique_ptr<char, decltype(&g_free)> type(
            g_mime_content_type_get_mime_type(g_mime_object_get_content_type(part)), &g_free);
        const char* charset = g_mime_object_get_content_type_parameter(part, "charset");
        r.textType = QByteArray(type.get()) + "; charset=" + (charset ? charset : "");
    }
    return r;
}

// The names a receiving program saves the attachments of a message under (text parts left out), each with the
// size it saved; the tool runs in a folder of its own.
QString savedBy(const QStringList& command, const QByteArray& message) {
    QTemporaryDir dir;
    WriteFile(dir.filePath(u"message.eml"_qs), message);
    QProcess tool;
    tool.setWorkingDirectory(dir.path());
    tool.start(command.first(), command.mid(1) + QStringList{u"message.eml"_qs});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return u"failed: "_qs + QString::fromUtf8(tool.readAllStandardError());
    QFile::remove(dir.filePath(u"message.eml"_qs));
    QStringList saved;
    for (const QFileInfo& f : QDir(dir.path()).entryInfoList(QDir::Files, QDir::Name))
        if (!f.fileName().startsWith(u"textfile"_qs))
            saved << f.fileName();
    return saved.join(u' ');
}

QStringList sorted(QStringList list) {
    list.sort();
    return list;
}

class Mail : public JobTest {
protected:
    Mail() {
        job.SendTo = u"to@x.test"_qs;
        job.Subject = u"Holiday photos"_qs;
        source = PatternBytes(2500000);
        job.SourceFile = file(u"report.zip"_qs, source);
    }
    QByteArray source;
};

TEST_F(Mail, SeriesOfThreeOnOneConnectionRebuildsTheSource) {
    source = PatternBytes(3 << 20); // three full pieces are three mails, not a fourth for an empty piece
    WriteFile(job.SourceFile, source);
    for (const bool asText : {true, false}) {
        SCOPED_TRACE(asText);
        SmtpServer server;
        ASSERT_TRUE(server.running());
        sender(server.host());
        job.BatchAsText = asText;
        // A name outside ASCII reaches the receiver as the batch file and the join script name it.
        const QString name = asText ? u"report"_qs : u"Fotos_M\u00e4rz"_qs;
        job.SourceFile = file(name + u".zip"_qs, source);
        job.Body = u"Plain text \x7f"_qs;
        job.NoUI = !asText; // a line on the terminal instead of the success box
        shell = ScriptedShell();
        // While a message goes out, the files open in the temporary folder are in the job's own folder.
        QStringList open;
        shell.onProgress = [this, &open](int) {
            if (!shell.progress.back().second.startsWith(u"Send message:"))
                return; // the source is open while it is split
            for (const QFileInfo& fd : QDir(u"/proc/self/fd"_qs).entryInfoList(QDir::System | QDir::Files))
                for (const QString& folder : {QDir::tempPath(), SeriesHome()})
                    if (fd.symLinkTarget().startsWith(folder + u'/'))
                        open << folder + u'/' + fd.symLinkTarget().mid(folder.size() + 1).section(u'/', 0, 0);
        };
        ASSERT_TRUE(run()) << shell.told().toStdString();
        open.removeDuplicates();
        EXPECT_TRUE(open.size() == 1 && open[0].startsWith(SeriesHome() + u"/series-"_qs))
            << open.join(u' ').toStdString();
        ASSERT_EQ(server.messageCount(), 3);
        EXPECT_EQ(server.connections(), 1);
        QByteArray rebuilt;
        QStringList boundaries;
        for (int i = 1; i <= 3; ++i) {
            SCOPED_TRACE(i);
            const Received m = parse(server.message(i));
            EXPECT_EQ(m.headers.at("subject"), QStringLiteral("Holiday photos %1 of 3").arg(i).toUtf8());
            EXPECT_EQ(m.headers.at("from") + ' ' + m.headers.at("to"), "Jo <jo@x.test> to@x.test");
            EXPECT_EQ(server.envelope(i).join(u' '), u"jo@x.test to@x.test");
            const auto boundary = QRegularExpression(u"\\sboundary=([0-9a-f]{32})_boundary\r\n"_qs)
                                      .match(QString::fromUtf8(m.rawHeaders));
            EXPECT_TRUE(boundary.hasMatch()) << m.rawHeaders.toStdString();
            boundaries << boundary.captured(1);
            EXPECT_EQ(m.headers.count("cc"), 0u) << "no empty Cc";
            const QString names =
                QStringLiteral("%1.00%2").arg(name).arg(i) +
                (i < 3 ? QString() : QStringLiteral(" %1.%2 %1.sha256 %1.sh").arg(name, asText ? u"txt" : u"bat"));
            EXPECT_EQ(m.names.join(u' '), names);
            // A name outside ASCII stands in Content-Type as encoded words too, for programs that read no RFC 2231.
            for (const QByteArray& type : m.contentTypes) {
                static const QRegularExpression encoded(u"\\bname=\"=\\?utf-8\\?[bq]\\?[^\"]+\\?=\"$"_qs,
                                                        QRegularExpression::CaseInsensitiveOption);
                EXPECT_EQ(encoded.match(QString::fromLatin1(type)).hasMatch(), !asText) << type.toStdString();
            }
            // Receiving programs save them under these names: ripmime, and munpack, which reads no encoded names.
            EXPECT_EQ(savedBy({u"ripmime"_qs, u"-d"_qs, u"."_qs, u"-i"_qs}, server.message(i)).split(u' '),
                      sorted(names.split(u' ')));
            if (asText) {
                EXPECT_EQ(savedBy({u"munpack"_qs, u"-q"_qs}, server.message(i)).split(u' '), sorted(names.split(u' ')));
            }
            rebuilt += m.attachments.at(0);
            EXPECT_TRUE(m.text.startsWith(u"Plain text \x7f\n\n"_qs)); // DEL is ASCII all the same
            EXPECT_TRUE(
                m.text.endsWith(u"Created using Brevimo. To get your own copy, go to: https://brevimo.example.org/"));
            EXPECT_EQ(m.text.contains(u"PLEASE CHANGE THE EXTENSION OF THE *.TXT FILE"), i == 3 && asText);
            // The last names the checksum list, in UTF-8 when the name is not ASCII.
            EXPECT_EQ(m.textType, i == 3 && !asText ? "text/plain; charset=utf-8" : "text/plain; charset=us-ascii");
        }
        EXPECT_EQ(rebuilt, source);
        EXPECT_EQ(boundaries.removeDuplicates(), 0) << "every message draws a boundary of its own";
        // The batch file as text has the two lines that ask for the old name back.
        const QByteArray batch = parse(server.message(3)).attachments.at(1);
        EXPECT_TRUE(batch.startsWith(asText ? "rem PLEASE CHANGE THE '.TXT' EXTENSION OF THIS FILE TO '.BAT'\r\n"
                                            : "@echo off\r\n"));
        // The batch file, the checksum list and the join script are those a folder job writes, and the body says
        // what they are for.
        const QString folderSet = folder(asText ? u"as-text"_qs : u"as-bat"_qs);
        SplitFile(job.SourceFile, 1 << 20, folderSet, asText, shell, true);
        const Received last = parse(server.message(3));
        EXPECT_TRUE(last.attachments.at(1) == ReadFile(folderSet + u'/' + name + u".bat"_qs) &&
                    last.attachments.at(2) == ReadFile(folderSet + u'/' + name + u".sha256"_qs) &&
                    last.attachments.at(3) == ReadFile(folderSet + u'/' + name + u".sh"_qs));
        EXPECT_TRUE(last.text.contains(ReceiverFilesNote(name + u'.')));
        EXPECT_EQ(shell.told(), asText ? u"info ok: The job was completed successfully."_qs
                                       : u"info ok: Sent 3 messages to to@x.test."_qs);
        EXPECT_EQ(keptFolders(), QStringList{}); // the private folder is gone
    }
}

TEST_F(Mail, TextAloneListsAndHeaders) {
    SmtpServer server;
    ASSERT_TRUE(server.running());
    sender(server.host());
    job.SourceFile.clear();
    job.SendTo = u"a@x.test,b@x.test"_qs;
    job.CarbonCopy = u"c@x.test,d@x.test"_qs;
    job.BlindCarbonCopy = u"e@x.test,f@x.test"_qs;
    job.Subject = u"Fotos vom M\u00e4rz\r\nBcc: spy@x.test"_qs;
    job.Body = u"Gr\u00fc\u00dfe"_qs;
    store.set(u"FriendlyName"_qs, u"J\u00f6rg M\u00fcller-L\u00fcdenscheidt-\u00dcberschwang-Gr\u00f6\u00dfenwahn"_qs);
    ASSERT_TRUE(run());
    ASSERT_EQ(server.messageCount(), 1);
    const Received m = parse(server.message(1));
    EXPECT_EQ(m.parts, 1);
    EXPECT_TRUE(m.text.startsWith(u"Gr\u00fc\u00dfe\n\n-----"));
    EXPECT_EQ(m.textType, "text/plain; charset=utf-8");
    EXPECT_TRUE(server.message(1).contains("quoted-printable"));
    EXPECT_EQ(shell.progress.front().second + u'|' + shell.progress.back().second,
              u"Connecting to the mail server...|Disconnecting from the mail server...");
    // Every list reaches the envelope; BCC and the injected line reach no header.
    EXPECT_EQ(server.envelope(1).join(u' '), u"jo@x.test a@x.test b@x.test c@x.test d@x.test e@x.test f@x.test");
    // Addresses as addresses: a Message-ID that ends in "e" before "@x.test" is no header of e@x.test.
    QStringList inHeaders;
    for (const char* field : {"from", "to", "cc", "reply-to", "sender"})
        if (m.headers.count(field))
            for (const Mailbox& box : MailboxesOf(QString::fromUtf8(m.headers.at(field))))
                inHeaders << box.address;
    EXPECT_EQ(inHeaders.join(u' '), u"jo@x.test a@x.test b@x.test c@x.test d@x.test");
    EXPECT_FALSE(m.rawHeaders.contains("\nBcc:"));
    EXPECT_EQ(m.headers.at("cc"), "c@x.test, d@x.test");
    EXPECT_TRUE(m.rawHeaders.toLower().contains("subject: =?utf-8?b?")) << m.rawHeaders.toStdString();
    EXPECT_EQ(m.headers.at("subject"), QString(u"Fotos vom M\u00e4rz  Bcc: spy@x.test"_qs).toUtf8());
    // Encoded words of at most 75 characters (RFC 2047 2): readers drop a longer one, and the name with it.
    for (auto words = QRegularExpression(u"=\\?[^?\\s]+\\?[bBqQ]\\?[^?\\s]*\\?="_qs)
                          .globalMatch(QString::fromLatin1(m.rawHeaders));
         words.hasNext();) {
        const QString word = words.next().captured();
        EXPECT_LE(word.size(), 75) << word.toStdString();
    }
    EXPECT_EQ(MailboxesOf(QString::fromUtf8(m.headers.at("from"))).at(0).name, store.get(u"FriendlyName"_qs));
    // A unique Message-ID on the sender's domain, and a greeting with a name servers accept: qualified, or an
    // address literal.
    EXPECT_TRUE(QRegularExpression(u"^<[0-9a-f-]{36}@x\\.test>$"_qs)
                    .match(QString::fromUtf8(m.headers.at("message-id")))
                    .hasMatch())
        << m.headers.at("message-id").toStdString();
    EXPECT_TRUE(QRegularExpression(u"^(\\[[0-9.]+\\]|\\[IPv6:[0-9a-f:.]+\\]|[A-Za-z0-9-]+(\\.[A-Za-z0-9-]+)+)$"_qs)
                    .match(server.greetings().join(u' '))
                    .hasMatch())
        << server.greetings().join(u' ').toStdString();
    // RFC 5322 date with a numeric zone.
    EXPECT_TRUE(QRegularExpression(u"^[A-Z][a-z]{2}, \\d{2} [A-Z][a-z]{2} \\d{4} \\d{2}:\\d{2}:\\d{2} [+-]\\d{4}$"_qs)
                    .match(QString::fromUtf8(m.headers.at("date")))
                    .hasMatch())
        << m.headers.at("date").toStdString();
}

// Every entry of a list is one mailbox, separated by "," or ";"; anything else is refused before a piece is
// written, naming it.
TEST_F(Mail, EveryEntryIsOneMailbox) {
    std::map<QString, std::unique_ptr<SmtpServer>> servers;
    const std::tuple<const char*, const char*, const char*, const char*, const char*> cases[] = {
        // send to, "CC|BCC", the sender, the server's options; then the envelope and the To and From headers, or
        // the refusal told
        {"a@x.test; b@x.test", "c@x.test;d@x.test|e@x.test ; f@x.test,", "jo@x.test", "",
         "jo@x.test a@x.test b@x.test c@x.test d@x.test e@x.test f@x.test|a@x.test, b@x.test|Jo <jo@x.test>"},
        {"\"Doe, Ann\" <a@x.test>", "|", " Jo <jo@x.test>", "",
         "jo@x.test a@x.test|\"Doe, Ann\" <a@x.test>|Jo <jo@x.test>"},
        {"a@x.test b@x.test", "|", "jo@x.test", "", "'a@x.test b@x.test' in Send to is not one e-mail address.*"},
        {"a@x.test", "c@x.test; nobody|", "jo@x.test", "", "'nobody' in CC is not one e-mail address.*"},
        {"a@x.test", "|<>", "jo@x.test", "", "'<>' in BCC is not one e-mail address.*"},
        {"a@x.test", "|", "", "", "No sender address is set in the e-mail settings (*). Type your e-mail address*"},
        {"a@x.test", "|", "jo at x.test", "", "The sender address 'jo at x.test' in the e-mail settings (*"},
        {" ; ,", "|", "jo@x.test", "", "There is no recipient.*Nothing was split or sent."},
        // An address outside ASCII goes only to a server that offers SMTPUTF8 (RFC 6531).
        {"j\u00f6rg@x.test", "|", "jo@x.test", "", "jo@x.test j\u00f6rg@x.test|j\u00f6rg@x.test|Jo <jo@x.test>"},
        {"a@x.test", "|b\u00fc@x.test", "jo@x.test", "--no-smtputf8",
         "'b\u00fc@x.test' is not written in ASCII, and the mail server 127.0.0.1:* does not offer SMTPUTF8, which "
         "such an address needs. Use a server that offers it, or an address in ASCII. Nothing was split or sent."},
        {"a@b\u00fccher.test", "|", "jo@x.test", "--no-smtputf8",
         "'a@b\u00fccher.test' is not written in ASCII, * Written in ASCII, this address is a@xn--bcher-kva.test. "
         "Nothing was split or sent."},
    };
    for (const auto& [to, copies, from, options, expected] : cases) {
        SCOPED_TRACE(to);
        auto& server = servers[QString::fromUtf8(options)];
        if (!server)
            server = std::make_unique<SmtpServer>(QString::fromUtf8(options).split(u' ', Qt::SkipEmptyParts));
        ASSERT_TRUE(server->running());
        sender(server->host());
        store.set(u"FromEMailAddress"_qs, QString::fromUtf8(from));
        job.SendTo = QString::fromUtf8(to);
        job.CarbonCopy = QString::fromUtf8(copies).section(u'|', 0, 0);
        job.BlindCarbonCopy = QString::fromUtf8(copies).section(u'|', 1);
        const int before = server->messageCount();
        shell = ScriptedShell();
        const bool refused = !QByteArray(expected).startsWith("jo@");
        EXPECT_EQ(run(), !refused);
        if (refused) {
            EXPECT_TRUE(Matches(shell.told(), u"error ok: "_qs + QString::fromUtf8(expected)))
                << shell.told().toStdString();
            EXPECT_EQ(QString::number(server->messageCount() - before) + keptFolders().join(u' '), u"0");
            continue;
        }
        ASSERT_EQ(server->messageCount(), before + 3);
        const Received m = parse(server->message(before + 1));
        EXPECT_EQ(server->envelope(before + 1).join(u' ') + u'|' +
                      QString::fromUtf8(m.headers.at("to") + '|' + m.headers.at("from")),
                  QString::fromUtf8(expected));
    }
}

// The body goes as 7bit only in short ASCII lines (RFC 5322 2.1.1), and reads back as written.
TEST_F(Mail, BodyEncoding) {
    SmtpServer server;
    ASSERT_TRUE(server.running());
    sender(server.host());
    job.SourceFile.clear();
    const std::pair<QString, const char*> cases[] = {
        {u"Short lines\nof ASCII"_qs, "7bit"},
        {QString(998, u'a'), "7bit"},
        {u"x\n"_qs + QString(999, u'a') + u"\ny"_qs, "quoted-printable"},
        {u"Gr\u00fc\u00dfe"_qs, "quoted-printable"},
    };
    for (const auto& [body, encoding] : cases) {
        SCOPED_TRACE(encoding);
        job.Body = body;
        ASSERT_TRUE(run()) << shell.told().toStdString();
        const QByteArray raw = server.message(server.messageCount());
        const Received m = parse(raw);
        EXPECT_TRUE(raw.contains("Content-Transfer-Encoding: " + QByteArray(encoding) + "\r\n"));
        EXPECT_TRUE(m.text.startsWith(body + u"\n\n---"_qs));
        // No line of the message as sent is longer than RFC 5322 allows.
        for (const QByteArray& line : raw.split('\n'))
            ASSERT_LE(line.size(), 999);
    }
}

// What the server says, and what the user is told of it: which message was not sent, why, and which were. Only a
// line that is up hears QUIT.
TEST_F(Mail, WhatTheServerSaysIsTold) {
    job.SendTo = u"to@x.test; b@x.test"_qs;
    job.BatchAsText = false;
    struct Case {
        const char* options;  // the server's; none: a host that cannot be found
        const char* settings; // stored beside the sender
        int stored;           // messages the server took
        const char* ends;     // how the server saw the line end
        QString told;         // the first box; "*" for any text
    };
    const Case cases[] = {
        {"", "", 0, "", u"error ok: Host not found!"_qs},
        {"--reject-message 2", "", 1, "quit",
         u"error ok: Message 2 of 3 was not sent: the mail server refused the message (554 message 2 refused by the "
         "test server). Messages 1 to 1 were sent."_qs},
        {"--drop-message 2", "", 1, "dropped",
         u"error ok: Message 2 of 3 was not sent: The connection to the mail server 127.0.0.1 broke during the "
         "message (*). Messages 1 to 1 were sent."_qs},
        {"--refuse-rcpt b@x.test", "", 0, "quit",
         u"error ok: Message 1 of 3 was not sent: the mail server refused the recipient b@x.test (550 5.1.1 "
         "<b@x.test> no such user here). No message was sent."_qs},
        {"--refuse-mail", "", 0, "quit",
         u"error ok: Message 1 of 3 was not sent: the mail server refused the sender jo@x.test (552 5.3.4 sender "
         "<jo@x.test> refused by the test server). No message was sent."_qs},
        {"--hang-message 3", "MailMessageTimeout=1", 2, "dropped",
         u"error ok: Message 3 of 3 was not sent: The mail server 127.0.0.1 did not confirm the message within 1 "
         "seconds; it may still deliver it. Messages 1 to 2 were sent."_qs},
        {"--hang-greeting", "MailReplyTimeout=1", 0, "",
         u"error ok: Message 1 of 3 was not sent: The mail server 127.0.0.1 did not greet within 1 seconds. No "
         "message was sent."_qs},
        // Slow, but within the waits: the wait for a message is not the wait for a command, nor the wait for the
        // connection the wait for the greeting.
        {"--delay-message 2 --delay 2", "MailReplyTimeout=1\nMailMessageTimeout=5", 3, "quit", QString()},
        {"--delay-greeting 2", "MailConnectTimeout=1\nMailReplyTimeout=5", 3, "quit", QString()},
        {"--no-accept", "MailConnectTimeout=1", 0, "",
         u"error ok: Message 1 of 3 was not sent: The mail server 127.0.0.1 did not take the connection within 1 "
         "seconds. No message was sent."_qs},
        // One recipient a transaction: the other has a transaction of its own (RFC 5321 4.5.3.1.10), on a line
        // that ends after the first 452 as libcurl ends it; only a 5xx ends the job.
        {"--rcpt-limit 1", "", 6, "quit quit", QString()},
        {"--rcpt-limit 1 --refuse-rcpt b@x.test", "", 1, "quit quit",
         u"error ok: Message 1 of 3 was not sent: the mail server refused the recipient b@x.test (550 5.1.1 "
         "<b@x.test> no such user here). It went to to@x.test only. No message was sent."_qs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        const std::unique_ptr<SmtpServer> server(*c.options ? new SmtpServer(QString::fromUtf8(c.options).split(u' '))
                                                            : nullptr);
        sender(server ? server->host() : u"no-such-host.invalid"_qs);
        store.set(QString::fromUtf8(c.settings));
        job.NoUI = c.told.isEmpty();
        shell = ScriptedShell();
        EXPECT_EQ(run(), c.told.isEmpty());
        EXPECT_EQ(server ? server->messageCount() : 0, c.stored);
        if (server) {
            EXPECT_EQ(server->ends().join(u' '), QString::fromUtf8(c.ends));
            EXPECT_FALSE(server->late().contains("QUIT")) << "a dead line hears nothing more";
        }
        if (c.told.isEmpty()) {
            EXPECT_EQ(shell.told() + keptFolders().join(u' '), u"info ok: Sent 3 messages to to@x.test, b@x.test.");
            for (int i = 1; i <= c.stored; ++i) // each recipient once for each message
                EXPECT_EQ(server->envelope(i).size(), c.stored == 3 ? 3 : 2) << i;
            continue;
        }
        ASSERT_EQ(keptFolders().size(), 1);
        const QString kept = keptFolders()[0];
        const QStringList lines = shell.told().split(u'\n');
        EXPECT_TRUE(lines.size() == 2 && Matches(lines[0], c.told)) << shell.told().toStdString();
        EXPECT_EQ(lines.back(), u"warning ok: The pieces are kept in '"_qs + kept + u"'."_qs + Text(Res::ResumeHint));
        EXPECT_EQ(Listing(kept),
                  u".brevimo-series.json report.001 report.002 report.003 report.bat report.sh report.sha256");
        QDir(kept).removeRecursively();
    }
}

// A server that names its size limit is asked for nothing it would refuse, and the piece size it suggests fits.
TEST_F(Mail, TheServersSizeLimitIsCheckedFirst) {
    SmtpServer server({u"--size"_qs, u"1000000"_qs});
    ASSERT_TRUE(server.running());
    sender(server.host());
    job.ReceiverFiles = false; // the last message as large as the others, less the piece's remainder
    EXPECT_FALSE(run());
    EXPECT_EQ(server.messageCount() + server.logins().size(), 0);
    const auto suggested =
        QRegularExpression(
            u"of at most ([\\d,]+) bytes \\(a custom size of (\\d+KB), on the command line /sze:\\2\\)"_qs)
            .match(shell.texts().at(0));
    ASSERT_TRUE(suggested.hasMatch()) << shell.told().toStdString();
    EXPECT_TRUE(
        Matches(shell.texts().at(0), u"The mail server "_qs + server.host() +
                                         u" takes messages of up to 1,000,000 bytes, and the largest message "
                                         "of this series would reach it with about 1,4*. Nothing was sent. *"_qs));
    QDir(keptFolders().at(0)).removeRecursively();

    job.SizeIndex = 4;
    job.CustomSplitSize = suggested.captured(2);
    shell = ScriptedShell();
    ASSERT_TRUE(run()) << shell.told().toStdString();
    ASSERT_EQ(server.messageCount(), 4);
    EXPECT_LE(std::max(server.message(1).size(), server.message(4).size()), 1000000);
    // Measured before sending: at most the digits a boundary number may lack over the real one.
    SmtpSession session;
    MailSeries measuring(session, job, settings, shell);
    const int64_t measured = measuring.messageSizeFor(job.CustomSplitSize.chopped(2).toLongLong() * 1024);
    EXPECT_TRUE(measured >= server.message(1).size() && measured - server.message(1).size() <= 40) << measured;
    // The largest that fits with room for the server's own lines; another kilobyte would not, in the last
    // message, which also carries the batch file.
    const int64_t largest = suggested.captured(1).remove(u',').toLongLong();
    const int64_t batch = BatchFileText(u"report.zip"_qs, u"report."_qs, 4, false).size();
    EXPECT_TRUE(measuring.messageSizeFor(largest) <= 1000000 - 1024 &&
                measuring.messageSizeFor(largest + 1024 + batch) > 1000000 - 1024);
    // A forecast within a kilobyte of the limit is too large: the server's Received line would take it over.
    SmtpServer tight({u"--size"_qs, QString::number(measured + 500)});
    sender(tight.host());
    shell = ScriptedShell();
    EXPECT_FALSE(run());
    EXPECT_EQ(tight.messageCount(), 0);
    EXPECT_TRUE(shell.told().contains(u"Nothing was sent."_qs)) << shell.told().toStdString();
}

// The same job again after a stopped series: the question, and Yes sends only the rest, No everything. Series kept
// for more than 30 days go at the next mail job.
TEST_F(Mail, AStoppedSeriesIsOfferedAndOldOnesGo) {
    for (const MsgResult answer : {MsgResult::Yes, MsgResult::No}) {
        forgetKeptSeries();
        SmtpServer server({u"--reject-message"_qs, u"2"_qs});
        sender(server.host());
        shell = ScriptedShell();
        ASSERT_FALSE(run());
        shell = ScriptedShell();
        shell.answer(answer);
        ASSERT_TRUE(run()) << shell.told().toStdString();
        EXPECT_TRUE(Matches(shell.told(), u"question yes-no: Messages 1 to 1 of 3 of this series were sent on *. Send "
                                          "only messages 2 to 3?\ninfo ok: The job was completed successfully."_qs))
            << shell.told().toStdString();
        EXPECT_EQ(server.messageCount(), answer == MsgResult::Yes ? 3 : 4); // 1, then 2 and 3, or 1 to 3 again
        EXPECT_EQ(keptFolders(), QStringList{});
    }
    SmtpServer server({u"--reject-message"_qs, u"2"_qs});
    sender(server.host());
    ASSERT_FALSE(run());
    const QString old = keptFolders().at(0);
    QString record = QString::fromUtf8(ReadFile(old + u"/.brevimo-series.json"_qs));
    const QString started = QDateTime::currentDateTime().addDays(-31).toString(Qt::ISODate);
    record.replace(QRegularExpression(u"\"started\": \"[^\"]*\""_qs), u"\"started\": \""_qs + started + u'"');
    WriteFile(old + u"/.brevimo-series.json"_qs, record.toUtf8());
    job.Subject = u"Another"_qs;
    shell = ScriptedShell();
    ASSERT_TRUE(run());
    EXPECT_TRUE(shell.told().startsWith(u"info ok: Mail series kept for more than 30 days were removed: "_qs + old));
    EXPECT_FALSE(QFileInfo::exists(old));
}

// A kept series counts only where it is the user's alone. One that another user planted (in the shared temporary
// folder where series were kept before, or in a state folder open to all), or one beside which another user owns or
// may write a file, is never mailed: /rsm says there is nothing to finish.
TEST_F(Mail, AKeptSeriesIsTheUsersAlone) {
    if (geteuid() != 0)
        GTEST_SKIP() << "plants files as another user (nobody), which needs root";
    // Where nobody may go: the test's folders, and a folder open to all.
    for (const QString& path : {QFileInfo(QDir::tempPath()).path(), dir.path()})
        ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0755), 0);
    const QString open = folder(u"open"_qs);
    for (const QString& path : {QDir::tempPath(), open})
        ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 01777), 0);
    const auto asNobody = [](const QString& command) {
        QProcess p;
        p.start(u"setpriv"_qs,
                {u"--reuid=65534"_qs, u"--regid=65534"_qs, u"--clear-groups"_qs, u"sh"_qs, u"-c"_qs, command});
        return p.waitForFinished(30000) && p.exitCode() == 0;
    };
    // Another user's copy of a kept series at a place, with pieces of its own.
    const auto plant = [&](const QString& kept, const QString& at) {
        const QString copy = folder(u"copy"_qs);
        ASSERT_EQ(std::system(QStringLiteral("cp -r '%1/.' '%2' && chmod -R a+rX '%2'").arg(kept, copy).toUtf8()), 0);
        WriteFile(copy + u"/report.003"_qs, "the planted piece");
        ASSERT_TRUE(asNobody(
            QStringLiteral("mkdir -p \"$(dirname '%1')\" && cp -r '%2' '%1' && chmod -R a+w '%1'").arg(at, copy)));
        QDir(kept).removeRecursively();
        QDir(copy).removeRecursively();
    };
    const auto byNobody = [](const QString& path) {
        return lchown(QFile::encodeName(path).constData(), 65534, 65534) == 0;
    };
    const std::pair<const char*, std::function<void(const QString&)>> cases[] = {
        {"in the temporary folder", [&](const QString& kept) { plant(kept, QDir::tempPath() + u"/brevimo-x"_qs); }},
        {"in a state folder open to all",
         [&](const QString& kept) {
             plant(kept, open + u"/brevimo/series-x"_qs);
             qputenv("XDG_STATE_HOME", open.toUtf8());
         }},
        {"a folder of another user", [&](const QString& kept) { ASSERT_TRUE(byNobody(kept)); }},
        {"a piece of another user", [&](const QString& kept) { ASSERT_TRUE(byNobody(kept + u"/report.003"_qs)); }},
        {"a record others may write",
         [&](const QString& kept) {
             ASSERT_EQ(chmod(QFile::encodeName(kept + u"/.brevimo-series.json"_qs).constData(), 0666), 0);
         }},
    };
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    for (const auto& [what, change] : cases) {
        SCOPED_TRACE(what);
        qputenv("XDG_STATE_HOME", state);
        forgetKeptSeries();
        SmtpServer server({u"--reject-message"_qs, u"2"_qs});
        ASSERT_TRUE(server.running());
        sender(server.host());
        job.Resume = false;
        shell = ScriptedShell();
        ASSERT_FALSE(run());
        change(keptFolders().at(0));
        const int before = server.messageCount();
        job.Resume = true;
        shell = ScriptedShell();
        EXPECT_FALSE(run()) << shell.told().toStdString();
        EXPECT_TRUE(shell.told().startsWith(u"error ok: There is no stopped series of '"_qs + job.SourceFile))
            << shell.told().toStdString();
        EXPECT_EQ(server.messageCount(), before);
    }
    qputenv("XDG_STATE_HOME", state);
}

// Over TLS with the login from ~/.netrc, and the test's certificate trusted.
TEST_F(Mail, EncryptedLinesAndTheLogin) {
    WriteFile(QDir::home().filePath(u".netrc"_qs), "machine 127.0.0.1\n  login jo\n  password s3cret\n");
    QFile::setPermissions(QDir::home().filePath(u".netrc"_qs), QFile::ReadOwner | QFile::WriteOwner);
    const std::tuple<const char*, const char*, bool, const char*> cases[] = {
        // the server's options, the scheme, its certificate trusted, what the server saw of the login
        {"--starttls", "", true, "jo s3cret tls"},
        {"--smtps", "smtps://", true, "jo s3cret tls"},
        {"--auth-without-tls", "", true, ""}, // never over an open line
        {"--starttls", "", false, ""},        // nor to an unknown server
    };
    for (const auto& [options, scheme, trusted, logins] : cases) {
        SCOPED_TRACE(options);
        forgetKeptSeries();
        const bool sent = *logins;
        SmtpServer server({QString::fromUtf8(options), u"--auth"_qs, u"jo"_qs, u"s3cret"_qs});
        ASSERT_TRUE(server.running());
        ScopedEnv trust("SSL_CERT_FILE", trusted ? server.folder().toUtf8() + "/cert.pem" : "/nonexistent-ca.pem");
        sender(QString::fromUtf8(scheme) + server.host());
        shell = ScriptedShell();
        EXPECT_EQ(run(), sent);
        EXPECT_EQ(server.logins().join(u'|') + u'|' + QString::number(server.messageCount()),
                  QString::fromUtf8(logins) + (sent ? u"|3"_qs : u"|0"_qs));
        EXPECT_TRUE(shell.told().contains(!sent && trusted ? u"127.0.0.1 offers no encrypted connection"_qs
                                          : sent           ? u"successfully"_qs
                                                           : u"certificate"_qs))
            << shell.told().toStdString();
    }
}

// Each source of the password, and each setting that stops a job before anything is split: the server's logins, the
// messages it took, what the user was told, and whether pieces were kept.
TEST_F(Mail, SignInWithThePasswordFromEachSource) {
    int argc = 1;
    char name[] = "test_mail";
    char* argv[] = {name, nullptr};
    const QCoreApplication app(argc, argv); // the keyring answers through its event loop
    SecretService keyring;
    ASSERT_TRUE(keyring.running()) << keyring.whyNot().toStdString();
    const QString netrc = QDir::home().filePath(u".netrc"_qs);
    // TokenCommand's runs count in this file: the job asks before the split, then for the connection.
    const QString runs = dir.filePath(u"runs"_qs);
    const QString counted = u"n=$(($(cat "_qs + runs + u" 2>/dev/null)+1)); echo $n >"_qs + runs + u"; echo "_qs;
    struct Case {
        // settings beside Host, the keyring's password for jo@x.test ("" none), ~/.netrc, the server's logins
        // (tokens the GNOME stand-in makes up read "goa-T"), told (the messages sent when it succeeded)
        const char *lines, *kept, *netrcText, *logins, *told;
        // more options of the server, and the GNOME stand-in's ("" none runs; PORT is the server's)
        const char *server = "", *goa = "";
    };
    const Case cases[] = {
        {"Login=password\nPasswordCommand=printf 's3cret\\nnot this'", "", "", "jo@x.test s3cret tls", "3"},
        {"Login=password\nPasswordCommand=echo no >&2; exit 3", "", "", "",
         "PasswordCommand in memory cannot be used: 'echo no >&2; exit 3' ended with status 3: no"},
        {"Login=password", "", "machine 127.0.0.1 login jo@x.test password s3cret", "jo@x.test s3cret tls", "3"},
        {"Login=password", "", "", "", "No password for jo@x.test on 127.0.0.1 is in the keyring"},
        {"Login=none", "", "machine 127.0.0.1 login jo@x.test password s3cret", "", "(530"}, // none is none
        {"Login=oauth2\nOAuthClientId=c\nOAuthAuthorizeUrl=https://id.x.test/a\nOAuthTokenUrl=https://id.x.test/"
         "t\nOAuthScope=smtp",
         "", "", "", "jo@x.test has not signed in with id.x.test yet. Run brevimo /login"}, // nothing is split
        {"Login=password\nSecurity=none", "", "", "", "Security in memory cannot be used"},
        {"Login=password\nPort=99999", "", "", "", "Port in memory cannot be used: '99999' is no port"},
        {"Host=mail.x.test:http", "", "", "", "Port in memory cannot be used: 'http' is no port"},
        {"Host=-bad-.x.test", "", "", "", "'-bad-.x.test' is no server name or address"},
        {"Login=password", "wrong", "", "jo@x.test wrong tls",
         "refused the sign-in of jo@x.test: \"535 5.7.8 Authentication credentials invalid\""},
        {"Login=password\nPasswordCommand=exit 1", "s3cret", "", "jo@x.test s3cret tls", "3"}, // keyring first
        // An access token: OAUTHBEARER when offered, else XOAUTH2; never as a password.
        {"Login=oauth2\nTokenCommand=printf 'tok-good \\nnot this'", "", "", "jo@x.test OAUTHBEARER:tok-good tls", "3"},
        {"Login=oauth2\nTokenCommand=echo tok-good", "", "", "jo@x.test XOAUTH2:tok-good tls", "3",
         "--mechanisms=XOAUTH2"},
        {"Login=oauth2\nTokenCommand=echo tok-good", "", "", "",
         "The mail server 127.0.0.1 takes no access token: it offers neither OAUTHBEARER nor XOAUTH2", "--mechanisms="},
        {"Login=oauth2\nTokenCommand=echo no >&2; exit 3", "", "", "",
         "TokenCommand in memory cannot be used: 'echo no >&2; exit 3' ended with status 3: no"},
        {"Login=oauth2\nTokenCommand=true", "", "", "", "'true' printed no access token"},
        {"Login=oauth2\nTokenCommand=echo tok-good\nSecurity=none", "", "", "",
         "Security in memory cannot be used: an access token is never sent"},
        // Refused, the command runs once more: its third token is good, or the job stops naming whose it was.
        {"Login=oauth2\nTokenCommand=COUNTED tok-$n", "", "", "jo@x.test XOAUTH2:tok-2 tls|jo@x.test XOAUTH2:tok-3 tls",
         "3", "--mechanisms=XOAUTH2"},
        {"Login=oauth2\nTokenCommand=COUNTED tok-$n-old", "", "",
         "jo@x.test OAUTHBEARER:tok-2-old tls|jo@x.test OAUTHBEARER:tok-3-old tls",
         "The mail server 127.0.0.1 refused the access token of jo@x.test from TokenCommand: \"535 5.7.8 Username "
         "and Password not accepted\""},
        // GNOME Online Accounts' account of the sender: its server and user, a token for each connection.
        {"Host=\nLogin=oauth2\nUseGnomeAccount=1", "", "", "jo.g@x.test OAUTHBEARER:goa-T tls", "3", "",
         "--account=email=jo@x.test,user=jo.g@x.test,smtp=127.0.0.1:PORT"},
        {"Host=\nLogin=oauth2\nUseGnomeAccount=1", "", "", "jo@x.test XOAUTH2:goa-T tls|jo@x.test XOAUTH2:goa-T tls",
         "3", "--mechanisms=XOAUTH2 --close-after=1 --delay-message=1 --delay=4.5",
         "--expires-in=3 --account=email=JO@x.test,user=jo@x.test,smtp=127.0.0.1:PORT"},
        {"Host=\nLogin=oauth2\nUseGnomeAccount=1", "", "", "jo@x.test s3cret tls", "3", "", // a password account
         "--account=email=jo@x.test,password=s3cret,smtp=127.0.0.1:PORT"},
        {"Host=\nLogin=oauth2\nUseGnomeAccount=1", "", "", "",
         "The GNOME account jo@x.test (Google) needs you to sign in again", "",
         "--account=email=jo@x.test,smtp=127.0.0.1:PORT,attention-needed"},
        {"Login=oauth2\nUseGnomeAccount=1", "", "", "", "GNOME Online Accounts holds no mail account for jo@x.test", "",
         "--account=email=ann@x.test,smtp=127.0.0.1:PORT"},
        {"Login=oauth2\nUseGnomeAccount=1", "", "", "", "GNOME Online Accounts cannot be reached"},
        {"Login=oauth2\nUseGnomeAccount=1\nTokenCommand=echo tok-good", "", "", "jo@x.test OAUTHBEARER:tok-good tls",
         "3"}, // the command comes first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        forgetKeptSeries();
        ForgetForRun();
        QFile::remove(runs);
        const QString tokens = dir.filePath(u"tokens"_qs);
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        WriteFile(tokens, QStringLiteral("tok-good %1 jo@x.test\ntok-3 %1 jo@x.test\ntok-3-old %2 jo@x.test\n")
                              .arg(now + 3600)
                              .arg(now - 1)
                              .toUtf8());
        SmtpServer server(
            QStringList{u"--starttls"_qs, u"--auth"_qs, u"jo@x.test"_qs, u"s3cret"_qs, u"--bearer"_qs, tokens} +
            QString::fromUtf8(c.server).split(u' ', Qt::SkipEmptyParts));
        ASSERT_TRUE(server.running());
        ScopedEnv trust("SSL_CERT_FILE", server.folder().toUtf8() + "/cert.pem");
        std::unique_ptr<StandInGoa> goa;
        if (*c.goa) {
            goa = std::make_unique<StandInGoa>(QStringList{u"--tokens"_qs, tokens} +
                                               QString::fromUtf8(c.goa)
                                                   .replace(u"PORT"_qs, server.host().section(u':', 1))
                                                   .split(u' ', Qt::SkipEmptyParts));
            ASSERT_TRUE(goa->running());
        }
        store.values.clear();
        sender(server.host());
        store.set(u"Security=starttls\n"_qs + QString::fromUtf8(c.lines).replace(u"COUNTED "_qs, counted));
        QString reason;
        if (*c.kept) {
            ASSERT_TRUE(
                Keyring::write(Keyring::keyFor(u"jo@x.test"_qs, u"127.0.0.1"_qs), QString::fromUtf8(c.kept), &reason))
                << reason.toStdString();
        }
        QFile::remove(netrc);
        if (*c.netrcText)
            WriteFile(netrc, c.netrcText);
        shell = ScriptedShell();
        const bool sent = QByteArray(c.told) == "3";
        EXPECT_EQ(run(), sent) << shell.told().toStdString();
        static const QRegularExpression goaToken(u":goa-[A-Za-z0-9_-]+ "_qs);
        const QStringList logins = server.logins();
        EXPECT_EQ(logins.join(u'|').replace(goaToken, u":goa-T "_qs), QString::fromUtf8(c.logins));
        EXPECT_EQ(server.messageCount(), sent ? 3 : 0);
        if (logins.size() == 2 && *c.goa) {
            EXPECT_NE(logins[0], logins[1]) << "the first token had expired: the second connection got a new one";
        }
        if (!sent) {
            EXPECT_TRUE(shell.told().contains(QString::fromUtf8(c.told))) << shell.told().toStdString();
        }
        EXPECT_FALSE(shell.told().contains(u"tok-"_qs) || shell.told().contains(u"goa-"_qs)) << "a token is told";
        // Before the split, for the connection, once more after the refusal: not for every message.
        if (QFile::exists(runs)) {
            EXPECT_EQ(ReadFile(runs).trimmed(), "3");
        }
        // A job a setting stopped keeps no pieces and gives no advice to resume it; the server's refusal of a
        // message keeps them.
        if (!QByteArray(c.told).startsWith("(530")) {
            EXPECT_EQ(keptFolders().join(u' ') + QString::number(shell.told().contains(u"/rsm"_qs)), u"0");
        }
    }
}

// A stored name:port, smtp:// or smtps:// is split up; the port follows the security when none is stored.
TEST(MailAccountTest, StoredFormsAreSplitUp) {
    const std::pair<const char*, const char*> cases[] = {
        {"Host=mail.x.test", "mail.x.test 25 starttls password legacy"},
        {"Host=mail.x.test:2525", "mail.x.test 2525 starttls password legacy"},
        {"Host=smtp://mail.x.test", "mail.x.test 25 starttls password legacy"},
        {"Host=smtps://mail.x.test", "mail.x.test 465 tls password legacy"},
        {"Host=SMTPS://[2001:db8::1]:1465/greeting", "2001:db8::1 1465 tls password legacy"},
        {"Host=mail.x.test\nSecurity=tls", "mail.x.test 465 tls password"},
        {"Host=mail.x.test\nSecurity=starttls\nLogin=oauth2", "mail.x.test 587 starttls oauth2"},
        {"Host=mail.x.test\nSecurity=none\nLogin=none", "mail.x.test 25 none none"},
        {"Host=smtps://mail.x.test:999\nPort=2465\nSecurity=starttls", "mail.x.test 2465 starttls password"},
        {"Host=mail.x.test:abc", "mail.x.test abc starttls password legacy"}, // refused when checked
    };
    for (const auto& [stored, shown] : cases) {
        MemoryStore store;
        store.set(QString::fromUtf8(stored));
        Settings settings(store, u"/opt"_qs, [] { return false; });
        const MailAccount a = MailAccount::FromSettings(settings);
        EXPECT_EQ(QStringList({a.host, a.port, SecurityKey(a.security), SignInKey(a.login)}).join(u' ') +
                      (a.legacy ? u" legacy"_qs : QString()),
                  QString::fromUtf8(shown))
            << stored;
    }
}

TEST(MailAccountTest, BadPortsAndServers) {
    const std::pair<const char*, bool> ports[] = {{"1", true},      {"587", true},  {"65535", true}, {"0", false},
                                                  {"65536", false}, {"-25", false}, {"abc", false},  {"", false},
                                                  {"99999", false}, {"5 87", false}};
    for (const auto& [port, good] : ports)
        EXPECT_EQ(PortProblem(QString::fromUtf8(port)).isEmpty(), good) << port;
    const std::pair<const char*, bool> servers[] = {
        {"smtp.example.org", true},
        {"localhost", true},
        {"mail.x.test.", true},
        {"127.0.0.1", true},
        {"::1", true},
        {"smtp.bücher.de", true},
        {"", false},
        {"smtp example.org", false},
        {"-bad.x.test", false},
        {"bad-.x.test", false},
        {"a..b", false},
        {"256.1.1.1", false},
        {"smtp://x.test", false},
        {"x.test:587", false},
        {"x_y.test", false},
    };
    for (const auto& [server, good] : servers)
        EXPECT_EQ(ServerProblem(QString::fromUtf8(server)).isEmpty(), good) << server;
}

TEST(Netrc, FindsTheMachineOrTheDefault) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"netrc"_qs);
    const auto login = [&](const char* host) {
        const auto found = NetrcLoginFor(path, QString::fromUtf8(host));
        return found ? found->login + u' ' + found->password : u"none"_qs;
    };
    WriteFile(path,
              "# mine\nmachine other.test login a password pa\nmacdef init\n  machine mail.test login evil password "
              "evil\n\ndefault login d password pd\nmachine MAIL.test\n login b\n password pb\n");
    EXPECT_EQ(login("mail.test") + u'|' + login("other.test") + u'|' + login("unknown.test"), u"b pb|a pa|d pd");
    WriteFile(path, "machine other.test login a password pa\n");
    EXPECT_EQ(login("mail.test"), u"none");
    QFile::remove(path);
    EXPECT_EQ(login("other.test"), u"none");
}

} // namespace
