// GLib's headers name fields "signals", which Qt defines as a keyword: they come first.
#include <curl/curl.h>
#include <gmime/gmime.h>

#include "mail/mMail.h"

#include "mail/ComponentError.h"
#include "mail/Netrc.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QTemporaryFile>

#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

struct mMail::Part {
    QString type, subtype, parameter, encoding, disposition, boundary;
    QString file;
    QString text;
    bool hasText = false;
    Part* parent = nullptr;
    std::vector<std::unique_ptr<Part>> children;
};

namespace {

template <auto fn> struct Deleter {
    template <typename T> void operator()(T* p) const { fn(p); }
};
void unrefObject(void* p) {
    g_object_unref(p);
}
using GPtr = std::unique_ptr<void, Deleter<unrefObject>>;
template <typename T> T* raw(const GPtr& p) {
    return static_cast<T*>(p.get());
}

using CurlPtr = std::unique_ptr<CURL, Deleter<curl_easy_cleanup>>;
using SlistPtr = std::unique_ptr<curl_slist, Deleter<curl_slist_free_all>>;
using FilePtr = std::unique_ptr<FILE, Deleter<std::fclose>>;

void initLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_mime_init();
        curl_global_init(CURL_GLOBAL_DEFAULT);
    });
}

// No value may start a header line of its own.
QByteArray headerSafe(const QString& v) {
    QString s = v;
    s.replace(u'\r', u' ').replace(u'\n', u' ');
    return s.toUtf8();
}

bool isAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() > 0x7f)
            return false;
    return true;
}

// "name=\"report.001\"" -> (name, report.001)
std::pair<QByteArray, QByteArray> parameter(const QString& text) {
    const qsizetype eq = text.indexOf(u'=');
    if (eq < 0)
        return {};
    QString value = text.mid(eq + 1).trimmed();
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    return {headerSafe(text.left(eq).trimmed()), headerSafe(value)};
}

GMimeContentEncoding encodingOf(const QString& name) {
    const QByteArray n = name.toLatin1();
    return g_mime_content_encoding_from_string(n.constData());
}

InternetAddressList* parseList(const QString& text) {
    const QByteArray bytes = headerSafe(text);
    return internet_address_list_parse(nullptr, bytes.constData());
}

void collectMailboxes(InternetAddressList* list, std::vector<QString>& out) {
    if (!list)
        return;
    for (int i = 0; i < internet_address_list_length(list); ++i) {
        InternetAddress* a = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(a)) {
            out.push_back(QString::fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a))));
        } else if (INTERNET_ADDRESS_IS_GROUP(a)) {
            collectMailboxes(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(a)), out);
        }
    }
}

GMimeObject* render(const mMail::Part& part) {
    const QByteArray type = part.type.isEmpty() ? QByteArray("text") : part.type.toLatin1();
    const QByteArray subtype = part.subtype.isEmpty() ? QByteArray("plain") : part.subtype.toLatin1();
    if (type.compare("multipart", Qt::CaseInsensitive) == 0) {
        GMimeMultipart* mp = g_mime_multipart_new_with_subtype(subtype.constData());
        QString boundary = part.boundary;
        const auto [key, value] = parameter(part.parameter);
        if (boundary.isEmpty() && key.compare("boundary", Qt::CaseInsensitive) == 0)
            boundary = QString::fromUtf8(value);
        if (!boundary.isEmpty())
            g_mime_multipart_set_boundary(mp, headerSafe(boundary).constData());
        for (const auto& child : part.children) {
            GMimeObject* c = render(*child);
            g_mime_multipart_add(mp, c);
            g_object_unref(c);
        }
        return GMIME_OBJECT(mp);
    }

    GMimePart* p = g_mime_part_new_with_type(type.constData(), subtype.constData());
    GMimeObject* obj = GMIME_OBJECT(p);
    const bool nonAsciiText = part.hasText && !isAscii(part.text);
    const auto [key, value] = parameter(part.parameter);
    if (!key.isEmpty()) {
        // A text that is not ASCII cannot be what "us-ascii" says.
        if (nonAsciiText && key.compare("charset", Qt::CaseInsensitive) == 0)
            g_mime_object_set_content_type_parameter(obj, "charset", "utf-8");
        else
            g_mime_object_set_content_type_parameter(obj, key.constData(), value.constData());
    } else if (nonAsciiText) {
        g_mime_object_set_content_type_parameter(obj, "charset", "utf-8");
    }
    if (!part.disposition.isEmpty()) {
        GMimeContentDisposition* d =
            g_mime_content_disposition_parse(nullptr, headerSafe(part.disposition).constData());
        g_mime_object_set_content_disposition(obj, d);
        g_object_unref(d);
    }
    if (nonAsciiText)
        g_mime_part_set_content_encoding(p, GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
    else if (!part.encoding.isEmpty())
        g_mime_part_set_content_encoding(p, encodingOf(part.encoding));

    GMimeStream* stream = nullptr;
    if (!part.file.isEmpty()) {
        GError* error = nullptr;
        stream = g_mime_stream_fs_open(QFile::encodeName(part.file).constData(), O_RDONLY, 0, &error);
        if (!stream) {
            const QString why = QString::fromUtf8(error ? error->message : "cannot open");
            g_clear_error(&error);
            g_object_unref(p);
            throw ComponentError(2, QStringLiteral("Cannot read '%1': %2").arg(part.file, why));
        }
    } else {
        QByteArray text = part.text.toUtf8();
        // SMTP and MIME text: lines end in CR LF.
        text.replace("\r\n", "\n").replace('\n', "\r\n");
        stream = g_mime_stream_mem_new_with_buffer(text.constData(), static_cast<size_t>(text.size()));
    }
    GMimeDataWrapper* content = g_mime_data_wrapper_new_with_stream(stream, GMIME_CONTENT_ENCODING_DEFAULT);
    g_object_unref(stream);
    g_mime_part_set_content(p, content);
    g_object_unref(content);
    return obj;
}

GDateTime* dateOf(const QString& text) {
    QDateTime t = QLocale::c().toDateTime(text, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss"));
    if (!t.isValid())
        t = QDateTime::currentDateTime();
    const QDate d = t.date();
    const QTime tm = t.time();
    return g_date_time_new_local(d.year(), d.month(), d.day(), tm.hour(), tm.minute(), tm.second());
}

QString urlOf(const QString& server) {
    if (server.startsWith(u"smtp://", Qt::CaseInsensitive) || server.startsWith(u"smtps://", Qt::CaseInsensitive))
        return server;
    return QStringLiteral("smtp://") + server;
}

// The bare host name of a server text: no scheme, port or path; IPv6 literals keep their brackets off.
QString hostNameOf(const QString& server) {
    QString s = server;
    const qsizetype scheme = s.indexOf(QStringLiteral("://"));
    if (scheme >= 0)
        s = s.mid(scheme + 3);
    s = s.section(u'/', 0, 0);
    if (s.startsWith(u'['))
        return s.mid(1).section(u']', 0, 0);
    return s.section(u':', 0, 0);
}

} // namespace

struct mMail::Connection {
    CurlPtr curl;
    QString host;
    std::optional<NetrcLogin> login;
    QByteArray user, password, caFile; // curl keeps pointers to them
    char errors[CURL_ERROR_SIZE] = {};
    QString lastReply;
    mMail* owner = nullptr;
};

namespace {

int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    if (type != CURLINFO_HEADER_IN)
        return 0;
    auto* self = static_cast<mMail*>(user);
    const QString lines = QString::fromUtf8(data, static_cast<qsizetype>(size)).trimmed();
    for (const QString& line : lines.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        if (self->StatusMessage)
            self->StatusMessage(line);
    return 0;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t ultotal, curl_off_t ulnow) {
    auto* self = static_cast<mMail*>(user);
    if (ultotal > 0 && self->Progress)
        self->Progress(static_cast<int32_t>(ulnow * 1000 / ultotal), 1000);
    return 0;
}

// Replies to NOOP arrive as "body"; they are told through StatusMessage already.
size_t onWrite(char*, size_t size, size_t count, void*) {
    return size * count;
}

size_t onRead(char* buffer, size_t size, size_t count, void* user) {
    return std::fread(buffer, size, count, static_cast<FILE*>(user));
}

} // namespace

mMail::mMail() {
    initLibraries();
    NewMessage();
}

mMail::~mMail() = default;

void mMail::fail(int number, const QString& description) {
    if (number >= 10000 && number < 12000)
        lastSocketError_ = number;
    throw ComponentError(number, description);
}

void mMail::NewMessage() {
    message_ = std::make_unique<Part>();
    current_ = message_.get();
    added_ = nullptr;
    MessageDate.clear();
    SenderName.clear();
    SenderAddress.clear();
    Recipients.clear();
    CcRecipients.clear();
    BccRecipients.clear();
    MessageSubject.clear();
    PartFile.clear();
}

void mMail::setContentType(const QString& v) {
    current_->type = v;
}
void mMail::setContentSubtype(const QString& v) {
    current_->subtype = v;
}
void mMail::setContentParameter(const QString& v) {
    current_->parameter = v;
}
void mMail::setTransferEncoding(const QString& v) {
    current_->encoding = v;
}
void mMail::setContentDisposition(const QString& v) {
    current_->disposition = v;
}
void mMail::setBoundary(const QString& v) {
    current_->boundary = v;
}

void mMail::AddPart() {
    auto part = std::make_unique<Part>();
    part->parent = current_;
    added_ = part.get();
    current_->children.push_back(std::move(part));
}

void mMail::SelectPart() {
    if (!added_)
        fail(1, QStringLiteral("No part to select"));
    current_ = added_;
}

void mMail::LoadPartFile() {
    if (!QFile::exists(PartFile))
        fail(2, QStringLiteral("Cannot read '%1': No such file").arg(PartFile));
    current_->file = PartFile;
}

void mMail::AppendText(const QString& text) {
    current_->text += text;
    current_->hasText = true;
}

void mMail::EndPart() {
    if (current_->parent)
        current_ = current_->parent;
}

std::vector<QString> mMail::EnvelopeRecipients() const {
    std::vector<QString> all;
    for (const QString* list : {&Recipients, &CcRecipients, &BccRecipients}) {
        InternetAddressList* parsed = parseList(*list);
        collectMailboxes(parsed, all);
        if (parsed)
            g_object_unref(parsed);
    }
    return all;
}

namespace {

void writeTo(GMimeObject* message, GMimeStream* stream) {
    GMimeFormatOptions* format = g_mime_format_options_clone(nullptr);
    g_mime_format_options_set_newline_format(format, GMIME_NEWLINE_FORMAT_DOS);
    const ssize_t written = g_mime_object_write_to_stream(message, format, stream);
    g_mime_format_options_free(format);
    if (written < 0 || g_mime_stream_flush(stream) != 0)
        throw ComponentError(2, QStringLiteral("The message could not be written out"));
}

} // namespace

// The message as GMime objects; file contents are only referenced, and read while it is written out.
static GPtr buildMessage(mMail& mail, const mMail::Part& root) {
    GPtr message(g_mime_message_new(TRUE));
    GMimeMessage* m = raw<GMimeMessage>(message);
    g_mime_message_add_mailbox(m, GMIME_ADDRESS_TYPE_FROM, headerSafe(mail.SenderName).constData(),
                               headerSafe(mail.SenderAddress).constData());
    for (auto [list, type] :
         {std::pair{&mail.Recipients, GMIME_ADDRESS_TYPE_TO}, {&mail.CcRecipients, GMIME_ADDRESS_TYPE_CC}}) {
        if (InternetAddressList* parsed = parseList(*list)) {
            internet_address_list_append(g_mime_message_get_addresses(m, type), parsed);
            g_object_unref(parsed);
        }
    }
    g_mime_message_set_subject(m, headerSafe(mail.MessageSubject).constData(), "utf-8");
    GDateTime* date = dateOf(mail.MessageDate);
    g_mime_message_set_date(m, date);
    g_date_time_unref(date);

    GMimeObject* body = render(root);
    g_mime_message_set_mime_part(m, body);
    g_object_unref(body);
    return message;
}

QByteArray mMail::RenderMessage() {
    GPtr message = buildMessage(*this, *message_);
    GPtr out(g_mime_stream_mem_new());
    writeTo(raw<GMimeObject>(message), raw<GMimeStream>(out));
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(raw<GMimeStream>(out)));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len));
}

namespace {

int socketErrorOf(CURLcode code, long reply) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return 11001;
    case CURLE_COULDNT_CONNECT:
        return 10061;
    case CURLE_OPERATION_TIMEDOUT:
        return 10060;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
        // The server said no (a reply of 400 and more), or the connection broke.
        return reply >= 400 ? static_cast<int>(reply) : 10054;
    case CURLE_LOGIN_DENIED:
        return 535;
    case CURLE_USE_SSL_FAILED:
        return mMail::NoEncryptionError;
    default:
        return 20000 + static_cast<int>(code);
    }
}

} // namespace

void mMail::OpenConnection() {
    lastSocketError_ = 0;
    connection_ = std::make_unique<Connection>();
    connection_->owner = this;
    connection_->curl.reset(curl_easy_init());
    CURL* c = connection_->curl.get();
    if (!c)
        fail(20000, QStringLiteral("The mail library could not start"));
    const QByteArray url = urlOf(Server.trimmed()).toUtf8();
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, connection_->errors);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, onDebug);
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onWrite);
    secure(c, Server.trimmed());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 30L);
    // A connection that moves nothing for a minute is taken as dead.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, 60L);
    // Connects, greets and checks the line with NOOP; the connection stays open for the messages.
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "NOOP");
    perform();
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, nullptr);
}

void mMail::secure(CURL* c, const QString& server) {
    const QString host = hostNameOf(server);
    connection_->host = host;
    connection_->login = NetrcLoginFor(DefaultNetrcPath(), host);
    if (connection_->login) {
        // A password goes over an encrypted line or not at all.
        curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        connection_->user = connection_->login->login.toUtf8();
        connection_->password = connection_->login->password.toUtf8();
        curl_easy_setopt(c, CURLOPT_USERNAME, connection_->user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, connection_->password.constData());
    } else {
        curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    }
    curl_easy_setopt(c, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    // SSL_CERT_FILE adds to the system's certificates instead of replacing them.
    const QByteArray extra = qgetenv("SSL_CERT_FILE");
    if (!extra.isEmpty()) {
        connection_->caFile = extra;
        curl_easy_setopt(c, CURLOPT_CAINFO, connection_->caFile.constData());
        if (QFile::exists(QStringLiteral("/etc/ssl/certs")))
            curl_easy_setopt(c, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
}

void mMail::perform() {
    CURL* c = connection_->curl.get();
    connection_->errors[0] = 0;
    const CURLcode code = curl_easy_perform(c);
    if (code == CURLE_OK)
        return;
    long reply = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &reply);
    const QString detail = QString::fromUtf8(connection_->errors[0] ? connection_->errors : curl_easy_strerror(code));
    const int number = socketErrorOf(code, reply);
    if (number == NoEncryptionError)
        fail(number, QStringLiteral("The mail server %1 offers no encrypted connection, so the password for it in "
                                    "~/.netrc was not sent. Use smtps:// in the server name, or a server that "
                                    "offers STARTTLS.")
                         .arg(connection_->host));
    fail(number, detail);
}

void mMail::SendMessage() {
    if (!connection_)
        fail(10057, QStringLiteral("Not connected to the mail server"));
    CURL* c = connection_->curl.get();

    // Written out to a private file first: the attachments are encoded on the way, never held in memory.
    QTemporaryFile spool;
    if (!spool.open())
        fail(2, QStringLiteral("Cannot write the message: %1").arg(spool.errorString()));
    {
        GPtr message = buildMessage(*this, *message_);
        GPtr stream(g_mime_stream_fs_new(dup(spool.handle())));
        writeTo(raw<GMimeObject>(message), raw<GMimeStream>(stream));
    }
    FilePtr in(std::fopen(QFile::encodeName(spool.fileName()).constData(), "rb"));
    if (!in)
        fail(2, QStringLiteral("Cannot read the message back"));

    SlistPtr rcpt;
    for (const QString& r : EnvelopeRecipients())
        rcpt.reset(curl_slist_append(rcpt.release(), ("<" + r.toUtf8() + ">").constData()));
    const QByteArray from = "<" + headerSafe(SenderAddress) + ">";
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt.get());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, onRead);
    curl_easy_setopt(c, CURLOPT_READDATA, in.get());
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(spool.size()));
    try {
        perform();
    } catch (...) {
        curl_easy_setopt(c, CURLOPT_MAIL_RCPT, nullptr);
        curl_easy_setopt(c, CURLOPT_UPLOAD, 0L);
        throw;
    }
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 0L);
}

void mMail::CloseConnection() {
    // Cleaning up the handle says QUIT on a connection that is still open.
    connection_.reset();
}
