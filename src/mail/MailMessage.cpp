// A message's parts as they are set, rendered into MIME with GMime.

// GLib's headers name fields "signals", which Qt defines as a keyword: they come first.
#include <gmime/gmime.h>

#include "mail/MailMessage.h"

#include "core/ComponentError.h"
#include "mail/Mailboxes.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QUuid>

#include <algorithm>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

// One MIME part of the message being composed, as the calls set it.
struct MailMessage::Part {
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

// RFC 2047 encoded words of the text in UTF-8, each at most 75 characters long and ending on a whole character,
// folded one a line. GMime's own words can be 76 long, and readers drop such a word.
QByteArray encodedWords(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArrayList words;
    for (qsizetype start = 0; start < utf8.size();) {
        qsizetype end = std::min<qsizetype>(start + 45, utf8.size()); // 60 characters of base64
        while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
            --end;
        words << "=?UTF-8?B?" + utf8.mid(start, end - start).toBase64() + "?=";
        start = end;
    }
    return words.join("\n ");
}

// A header's value as written, for a value outside ASCII: encoded words of our own.
void setRawHeader(GMimeObject* object, const char* name, const QByteArray& value) {
    if (GMimeHeader* h = g_mime_header_list_get_header(g_mime_object_get_header_list(object), name))
        g_mime_header_set_raw_value(h, (" " + value + "\n").constData());
}

// An address list whose names are outside ASCII, in encoded words; the addresses stay as they are.
QByteArray addressHeader(const std::vector<Mailbox>& boxes) {
    QByteArrayList entries;
    for (const Mailbox& m : boxes) {
        QByteArray name;
        if (isAscii(m.name) && !m.name.isEmpty())
            name = '"' + headerSafe(m.name).replace('\\', "\\\\").replace('"', "\\\"") + "\" ";
        else if (!m.name.isEmpty())
            name = encodedWords(m.name) + ' ';
        entries << name + '<' + headerSafe(m.address) + '>';
    }
    return entries.join(",\n ");
}

bool anyNameOutsideAscii(const std::vector<Mailbox>& boxes) {
    return std::any_of(boxes.begin(), boxes.end(), [](const Mailbox& m) { return !isAscii(m.name); });
}

// RFC 5322 2.1.1: no line of a message may be longer than 998 characters.
bool hasLongLine(const QString& text) {
    qsizetype start = 0;
    for (qsizetype end; (end = text.indexOf(u'\n', start)) >= 0; start = end + 1)
        if (end - start > 998)
            return true;
    return text.size() - start > 998;
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

// In UTF-8, which the file names of the batch file and the join script are read in.
void encodeParameter(GMimeParamList* list, const QByteArray& name, GMimeParamEncodingMethod method) {
    if (GMimeParam* p = list ? g_mime_param_list_get_parameter(list, name.constData()) : nullptr) {
        g_mime_param_set_encoding_method(p, method);
        g_mime_param_set_charset(p, "UTF-8");
    }
}

GMimeContentEncoding encodingOf(const QString& name) {
    const QByteArray n = name.toLatin1();
    return g_mime_content_encoding_from_string(n.constData());
}

// The mailboxes of a list as GMime's; entries that are not one mailbox were refused before.
GPtr addressListOf(const QString& text) {
    InternetAddressList* list = internet_address_list_new();
    for (const Mailbox& m : MailboxesOf(text)) {
        InternetAddress* a =
            internet_address_mailbox_new(headerSafe(m.name).constData(), headerSafe(m.address).constData());
        internet_address_set_charset(a, "UTF-8");
        internet_address_list_add(list, a);
        g_object_unref(a);
    }
    return GPtr(list);
}

GMimeObject* render(const MailMessage::Part& part) {
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
        // A name outside ASCII: older readers (munpack among them) know only an encoded word here.
        if (key.compare("name", Qt::CaseInsensitive) == 0)
            encodeParameter(g_mime_content_type_get_parameters(g_mime_object_get_content_type(obj)), key,
                            GMIME_PARAM_ENCODING_METHOD_RFC2047);
    } else if (nonAsciiText) {
        g_mime_object_set_content_type_parameter(obj, "charset", "utf-8");
    }
    if (!part.disposition.isEmpty()) {
        GMimeContentDisposition* d =
            g_mime_content_disposition_parse(nullptr, headerSafe(part.disposition).constData());
        // The file name as RFC 2231 says it, which mail programs save under.
        encodeParameter(g_mime_content_disposition_get_parameters(d), "filename", GMIME_PARAM_ENCODING_METHOD_RFC2231);
        g_mime_object_set_content_disposition(obj, d);
        g_object_unref(d);
    }
    // 7bit carries only ASCII in lines a server takes.
    if (nonAsciiText || (part.hasText && hasLongLine(part.text)))
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
    if (key.compare("name", Qt::CaseInsensitive) == 0 && !isAscii(QString::fromUtf8(value)))
        setRawHeader(obj, "Content-Type",
                     type + '/' + subtype + ";\n\tname=\"" + encodedWords(QString::fromUtf8(value)) + '"');
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

void writeObject(GMimeObject* message, GMimeStream* stream) {
    GMimeFormatOptions* format = g_mime_format_options_clone(nullptr);
    g_mime_format_options_set_newline_format(format, GMIME_NEWLINE_FORMAT_DOS);
    const ssize_t written = g_mime_object_write_to_stream(message, format, stream);
    g_mime_format_options_free(format);
    if (written < 0 || g_mime_stream_flush(stream) != 0)
        throw ComponentError(2, QStringLiteral("The message could not be written out"));
}

} // namespace

void InitMailLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

MailMessage::MailMessage() {
    InitMailLibrary();
    clear();
}

MailMessage::~MailMessage() = default;

void MailMessage::clear() {
    root_ = std::make_unique<Part>();
    current_ = root_.get();
    added_ = nullptr;
    date.clear();
    senderName.clear();
    senderAddress.clear();
    recipients.clear();
    ccRecipients.clear();
    bccRecipients.clear();
    subject.clear();
}

void MailMessage::setContentType(const QString& v) {
    current_->type = v;
}
void MailMessage::setContentSubtype(const QString& v) {
    current_->subtype = v;
}
void MailMessage::setContentParameter(const QString& v) {
    current_->parameter = v;
}
void MailMessage::setTransferEncoding(const QString& v) {
    current_->encoding = v;
}
void MailMessage::setContentDisposition(const QString& v) {
    current_->disposition = v;
}
void MailMessage::setBoundary(const QString& v) {
    current_->boundary = v;
}

void MailMessage::addPart() {
    auto part = std::make_unique<Part>();
    part->parent = current_;
    added_ = part.get();
    current_->children.push_back(std::move(part));
}

void MailMessage::selectPart() {
    if (!added_)
        throw ComponentError(1, QStringLiteral("No part to select"));
    current_ = added_;
}

void MailMessage::setPartFile(const QString& file) {
    if (!QFile::exists(file))
        throw ComponentError(2, QStringLiteral("Cannot read '%1': No such file").arg(file));
    current_->file = file;
}

void MailMessage::appendText(const QString& text) {
    current_->text += text;
    current_->hasText = true;
}

void MailMessage::endPart() {
    if (current_->parent)
        current_ = current_->parent;
}

std::vector<QString> MailMessage::envelopeRecipients() const {
    std::vector<QString> all;
    for (const QString* list : {&recipients, &ccRecipients, &bccRecipients})
        for (const Mailbox& m : MailboxesOf(*list))
            all.push_back(m.address);
    return all;
}

// The message as GMime objects; file contents are only referenced, and read while it is written out.
static GPtr buildMessage(const MailMessage& mail, const MailMessage::Part& root) {
    GPtr message(g_mime_message_new(TRUE));
    GMimeMessage* m = raw<GMimeMessage>(message);
    InternetAddress* from = internet_address_mailbox_new(headerSafe(mail.senderName).constData(),
                                                         headerSafe(mail.senderAddress).constData());
    internet_address_set_charset(from, "UTF-8");
    internet_address_list_add(g_mime_message_get_addresses(m, GMIME_ADDRESS_TYPE_FROM), from);
    g_object_unref(from);
    for (auto [list, type] :
         {std::pair{&mail.recipients, GMIME_ADDRESS_TYPE_TO}, {&mail.ccRecipients, GMIME_ADDRESS_TYPE_CC}}) {
        GPtr parsed = addressListOf(*list);
        if (internet_address_list_length(raw<InternetAddressList>(parsed)) > 0)
            internet_address_list_append(g_mime_message_get_addresses(m, type), raw<InternetAddressList>(parsed));
    }
    g_mime_message_set_subject(m, headerSafe(mail.subject).constData(), "utf-8");
    GDateTime* date = dateOf(mail.date);
    g_mime_message_set_date(m, date);
    g_date_time_unref(date);
    // Unique, on the right the sender's domain (RFC 5322 3.6.4).
    // Always as long, so that a message measured before it is sent has the size it is sent with.
    const QByteArray domain = headerSafe(mail.senderAddress.section(u'@', -1));
    const QByteArray id = QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@' +
                          (domain.isEmpty() ? QByteArray("localhost") : domain);
    g_mime_message_set_message_id(m, id.constData());

    GMimeObject* body = render(root);
    g_mime_message_set_mime_part(m, body);
    g_object_unref(body);

    // Values outside ASCII in encoded words of our own, once nothing changes them any more.
    const std::pair<const char*, std::vector<Mailbox>> lists[] = {
        {"From", {{mail.senderName, mail.senderAddress}}},
        {"To", MailboxesOf(mail.recipients)},
        {"Cc", MailboxesOf(mail.ccRecipients)},
    };
    for (const auto& [name, boxes] : lists)
        if (anyNameOutsideAscii(boxes))
            setRawHeader(GMIME_OBJECT(m), name, addressHeader(boxes));
    if (!isAscii(mail.subject))
        setRawHeader(GMIME_OBJECT(m), "Subject", encodedWords(QString::fromUtf8(headerSafe(mail.subject))));
    return message;
}

QByteArray MailMessage::render() {
    GPtr message = buildMessage(*this, *root_);
    GPtr out(g_mime_stream_mem_new());
    writeObject(raw<GMimeObject>(message), raw<GMimeStream>(out));
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(raw<GMimeStream>(out)));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), static_cast<qsizetype>(bytes->len));
}

int64_t MailMessage::size() {
    GPtr message = buildMessage(*this, *root_);
    GPtr counter(g_mime_stream_null_new());
    writeObject(raw<GMimeObject>(message), raw<GMimeStream>(counter));
    return static_cast<int64_t>(GMIME_STREAM_NULL(raw<GMimeStream>(counter))->written);
}

void MailMessage::writeTo(int fd) {
    GPtr message = buildMessage(*this, *root_);
    GPtr stream(g_mime_stream_fs_new(dup(fd)));
    writeObject(raw<GMimeObject>(message), raw<GMimeStream>(stream));
}
