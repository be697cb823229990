// One SMTP connection over libcurl, kept open for a series of messages. Longer than most files: the state of the
// dialogue, the callbacks through which libcurl reports it, and the calls that read it share one handle.

#include <curl/curl.h>

#include "mail/SmtpSession.h"

#include "core/ComponentError.h"
#include "core/JobError.h"
#include "core/StringTable.h"
#include "mail/CurlHandle.h"
#include "mail/MailMessage.h"
#include "mail/Netrc.h"
#include "mail/ServerUrl.h"

#include <QDir>
#include <QTemporaryFile>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using FilePtr = std::unique_ptr<FILE, FreeWith<std::fclose>>;

// The server's limit from a line of its EHLO reply: "250-SIZE 10240000" (RFC 1870).
std::optional<int64_t> sizeLimitOf(const QString& line) {
    const QString keyword = line.mid(4).trimmed();
    if (!keyword.startsWith(QStringLiteral("SIZE"), Qt::CaseInsensitive))
        return std::nullopt;
    const QString value = keyword.mid(4).trimmed();
    if (keyword.size() > 4 && !keyword.at(4).isSpace())
        return std::nullopt;
    bool ok = false;
    const qlonglong limit = value.toLongLong(&ok);
    return ok && limit > 0 ? limit : 0;
}

int socketErrorOf(CURLcode code, int reply) {
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
        return reply >= 400 ? reply : 10054;
    case CURLE_LOGIN_DENIED:
        return 535;
    case CURLE_USE_SSL_FAILED:
        return SmtpSession::NoEncryptionError;
    default:
        return 20000 + static_cast<int>(code);
    }
}

} // namespace

struct SmtpSession::Connection {
    CurlPtr curl;
    QString host;
    std::optional<NetrcLogin> login;
    bool bearer = false;            // login's password is an OAuth2 access token
    QString loginFrom;              // where the token came from, for messages
    QByteArray url, user, password; // curl keeps pointers to them
    char errors[CURL_ERROR_SIZE] = {};
    SmtpSession* owner = nullptr;
    // The dialogue as it stands: the command sent last (without its arguments for AUTH) and the server's
    // reply to it. QUIT and its reply are left out: they are not why anything failed.
    QString command;
    QString reply;
    bool quitting = false;
    bool signedIn = false;
    int64_t sizeLimit = 0;
    QStringList offers; // the keywords of the reply to EHLO
    int ehloLines = 0;
    int accepted = 0;     // recipients the server took in this transaction
    size_t rcptLimit = 0; // the most recipients the server takes in one transaction; 0 while it has said none
    bool tcpUp = false;   // the server took the connection; from then on only replies are waited for
    bool connectWaitRanOut = false;
    // Why OpenConnection failed: the first message fails with it, without a second try that would tell another wait.
    std::optional<ComponentError> openFailure;

    void sent(const QString& text) {
        if (text.startsWith(QStringLiteral("QUIT"), Qt::CaseInsensitive))
            quitting = true;
        if (quitting)
            return;
        if (command == u"AUTH" && reply.startsWith(QStringLiteral("334"))) {
            reply.clear(); // the answer to the server's challenge: a secret, never shown
            return;
        }
        command = text.startsWith(QStringLiteral("AUTH"), Qt::CaseInsensitive) ? QStringLiteral("AUTH") : text;
        reply.clear();
        if (command.startsWith(QStringLiteral("EHLO"), Qt::CaseInsensitive)) {
            offers.clear(); // asked again after STARTTLS, and on a new connection
            ehloLines = 0;
        }
        if (command.startsWith(QStringLiteral("MAIL"), Qt::CaseInsensitive))
            accepted = 0;
    }

    void received(const QString& line) {
        if (owner->onStatus)
            owner->onStatus(line);
        if (quitting)
            return;
        if (line.startsWith(QStringLiteral("354")) && command.startsWith(QStringLiteral("DATA"))) {
            // From here on the server owes the reply to the message itself.
            command = QStringLiteral(".");
            reply.clear();
            return;
        }
        if (command.startsWith(QStringLiteral("EHLO"), Qt::CaseInsensitive)) {
            if (const auto limit = sizeLimitOf(line))
                sizeLimit = *limit;
            if (++ehloLines > 1 && line.startsWith(QStringLiteral("250")))
                offers << line.mid(4).section(u' ', 0, 0).toUpper();
        }
        if (command == u"AUTH" && line.startsWith(QStringLiteral("235")))
            signedIn = true;
        if (command.startsWith(QStringLiteral("RCPT"), Qt::CaseInsensitive) && line.startsWith(u'2'))
            ++accepted;
        reply += (reply.isEmpty() ? QString() : QStringLiteral(" ")) + line;
    }

    int replyCode() const { return reply.left(3).toInt(); }

    QString stage() const {
        if (command.isEmpty())
            return QStringLiteral("the greeting");
        return command == u'.' ? QStringLiteral("the message") : command;
    }

    // What a time-out without a reply means where the dialogue stands; nothing when the line never came up.
    std::optional<QString> silenceOf(long seconds) const {
        if (command == u'.')
            return QStringLiteral("The mail server %1 did not confirm the message within %2 seconds; it may still "
                                  "deliver it")
                .arg(host)
                .arg(seconds);
        if (!command.isEmpty())
            return QStringLiteral("The mail server %1 did not answer %2 within %3 seconds")
                .arg(host, command)
                .arg(seconds);
        if (tcpUp)
            return QStringLiteral("The mail server %1 did not greet within %2 seconds").arg(host).arg(seconds);
        return std::nullopt;
    }

    // Makes the TCP connection itself, so that the connect wait covers it alone: libcurl's own connect time-out
    // would also run over the greeting.
    static curl_socket_t openSocket(void* user, curlsocktype, curl_sockaddr* address) {
        auto* self = static_cast<Connection*>(user);
        self->tcpUp = false;
        self->quitting = false; // a new connection: libcurl ended the last one
        self->signedIn = false;
        self->command.clear();
        self->reply.clear();
        const int fd = ::socket(address->family, address->socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address->protocol);
        if (fd < 0)
            return CURL_SOCKET_BAD;
        int error = ::connect(fd, &address->addr, address->addrlen) == 0 ? 0 : errno;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(self->owner->connectTimeout);
        while (error == EINPROGRESS || error == EINTR) {
            if (self->owner->shouldStop && self->owner->shouldStop())
                break;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                self->connectWaitRanOut = true;
                break;
            }
            pollfd p{fd, POLLOUT, 0};
            // In short steps, so that a stop is seen.
            if (::poll(&p, 1, static_cast<int>(std::min<int64_t>(left.count(), 200))) > 0) {
                socklen_t length = sizeof error;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                    error = errno;
            }
        }
        if (error != 0) {
            ::close(fd);
            return CURL_SOCKET_BAD;
        }
        self->tcpUp = true;
        return fd;
    }
};

namespace {

int uploadProgress(void* user, curl_off_t, curl_off_t, curl_off_t ultotal, curl_off_t ulnow) {
    auto* self = static_cast<SmtpSession*>(user);
    if (ultotal > 0 && self->onProgress)
        self->onProgress(static_cast<int32_t>(ulnow * 1000 / ultotal), 1000);
    const bool wholeMessageOut = ultotal > 0 && ulnow >= ultotal;
    return !wholeMessageOut && self->shouldStop && self->shouldStop() ? 1 : 0;
}

// Replies to NOOP arrive as "body"; they are told through onStatus already.
size_t onWrite(char*, size_t size, size_t count, void*) {
    return size * count;
}

size_t onRead(char* buffer, size_t size, size_t count, void* user) {
    return std::fread(buffer, size, count, static_cast<FILE*>(user));
}

} // namespace

SmtpSession::SmtpSession() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

SmtpSession::~SmtpSession() = default;

void SmtpSession::fail(int number, const QString& description) {
    if (number >= 10000 && number < 12000)
        lastSocketError_ = number;
    throw ComponentError(number, description);
}

bool SmtpSession::signedIn() const {
    return connection_ && connection_->signedIn;
}

int64_t SmtpSession::serverSizeLimit() const {
    return connection_ ? connection_->sizeLimit : 0;
}

QString SmtpSession::failedCommand() const {
    return connection_ ? connection_->command : QString();
}

QString SmtpSession::failedReply() const {
    return connection_ ? connection_->reply : QString();
}

void SmtpSession::open() {
    lastSocketError_ = 0;
    connection_ = std::make_unique<Connection>();
    connection_->owner = this;
    connection_->curl.reset(curl_easy_init());
    CURL* c = connection_->curl.get();
    if (!c)
        fail(20000, QStringLiteral("The mail library could not start"));
    connection_->url = ServerUrl(server.trimmed());
    curl_easy_setopt(c, CURLOPT_URL, connection_->url.constData());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, connection_->errors);
    curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(
        c, CURLOPT_DEBUGFUNCTION, +[](CURL*, curl_infotype type, char* data, size_t size, void* user) {
            if (type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT)
                return 0;
            auto* connection = static_cast<Connection*>(user);
            const QString lines = QString::fromUtf8(data, static_cast<qsizetype>(size)).trimmed();
            for (const QString& line : lines.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
                if (type == CURLINFO_HEADER_OUT)
                    connection->sent(line);
                else
                    connection->received(line);
            }
            return 0;
        });
    curl_easy_setopt(c, CURLOPT_DEBUGDATA, connection_.get());
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, uploadProgress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, onWrite);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, &Connection::openSocket);
    curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, connection_.get());
    curl_easy_setopt(
        c, CURLOPT_SOCKOPTFUNCTION, +[](void*, curl_socket_t, curlsocktype) { return CURL_SOCKOPT_ALREADY_CONNECTED; });
    secure(c, ServerHostName(server.trimmed()));
    // The rest of libcurl's connect phase is replies, each with a wait of its own: this only ends a TLS handshake
    // that stalls.
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout) + 8L * replyTimeout);
    // Connects, greets and checks the line with NOOP; the connection stays open for the messages.
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "NOOP");
    try {
        performSigningIn([this] { perform(replyTimeout); });
    } catch (const ComponentError& e) {
        connection_->openFailure = e;
        curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, nullptr);
        throw;
    }
    curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, nullptr);
}

bool SmtpSession::serverOffers(const QString& keyword) const {
    return connection_ && connection_->offers.contains(keyword.toUpper());
}

void SmtpSession::secure(void* handle, const QString& host) {
    CURL* c = handle;
    connection_->host = host;
    if (signInGiven) {
        if (signIn)
            connection_->login = NetrcLogin{signIn->user, signIn->secret};
    } else {
        connection_->login = NetrcLoginFor(DefaultNetrcPath(), host);
    }
    long useSsl = CURLUSESSL_TRY;
    if (connection_->login || (security && *security != Security::None))
        useSsl = CURLUSESSL_ALL; // a password goes over an encrypted line or not at all
    else if (security == Security::None)
        useSsl = CURLUSESSL_NONE;
    connection_->bearer = signInGiven && signIn && signIn->kind == Credential::Kind::Bearer;
    connection_->loginFrom = signInGiven && signIn ? signIn->from : QString();
    if (connection_->login && security == Security::None)
        fail(NoEncryptionError,
             Text(Res::BadMailSetting)
                 .arg(QStringLiteral("Security"), QStringLiteral("the e-mail settings"),
                      Text(connection_->bearer ? Res::BearerNeedsEncryption : Res::PasswordNeedsEncryption)));
    curl_easy_setopt(c, CURLOPT_USE_SSL, useSsl);
    if (connection_->login) {
        connection_->user = connection_->login->login.toUtf8();
        connection_->password = connection_->login->password.toUtf8();
        curl_easy_setopt(c, CURLOPT_USERNAME, connection_->user.constData());
        if (connection_->bearer) {
            // libcurl takes OAUTHBEARER (RFC 7628) or XOAUTH2, whichever the server offers; never PLAIN or LOGIN,
            // which would hand the token over as a password.
            curl_easy_setopt(c, CURLOPT_XOAUTH2_BEARER, connection_->password.constData());
            curl_easy_setopt(c, CURLOPT_LOGIN_OPTIONS, "AUTH=OAUTHBEARER;AUTH=XOAUTH2");
        } else {
            curl_easy_setopt(c, CURLOPT_PASSWORD, connection_->password.constData());
        }
    }
    curl_easy_setopt(c, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    TrustCertificates(c);
}

void SmtpSession::perform(long waitForReply) {
    CURL* c = connection_->curl.get();
    connection_->errors[0] = 0;
    connection_->connectWaitRanOut = false;
    curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, waitForReply);
    // libcurl also measures the speed while it waits for a reply: only a line that moves nothing for longer
    // than a reply may take is dead. This also ends an upload the server stopped reading.
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, waitForReply);
    const CURLcode code = curl_easy_perform(c);
    if (code == CURLE_OK)
        return;
    int number = socketErrorOf(code, connection_->replyCode());
    QString detail = QString::fromUtf8(connection_->errors[0] ? connection_->errors : curl_easy_strerror(code));
    if (number == NoEncryptionError)
        detail = (connection_->login ? QStringLiteral("The mail server %1 offers no encrypted connection, so the "
                                                      "password was not sent. Choose SSL/TLS in the e-mail settings, "
                                                      "or a server that offers STARTTLS.")
                                     : QStringLiteral("The mail server %1 offers no STARTTLS, which the e-mail "
                                                      "settings ask for. Choose another security there."))
                     .arg(connection_->host);
    if (code == CURLE_LOGIN_DENIED && connection_->login) {
        const QString said = connection_->reply.isEmpty() ? detail : connection_->reply;
        const QString& who = connection_->login->login;
        // No AUTH went out: libcurl found none of the server's mechanisms to send the token with.
        if (connection_->bearer && connection_->command != u"AUTH")
            detail = Text(Res::BearerNotOffered).arg(connection_->host);
        else
            detail = connection_->bearer
                         ? Text(Res::BearerRefused).arg(connection_->host, who, connection_->loginFrom, said)
                         : Text(Res::LoginRefused).arg(connection_->host, who, said);
    }
    if (code == CURLE_COULDNT_CONNECT && connection_->connectWaitRanOut) {
        number = 10060;
        detail = Text(Res::NotConnectedWithin).arg(connection_->host).arg(connectTimeout);
    } else if (code == CURLE_OPERATION_TIMEDOUT && connection_->reply.isEmpty()) {
        detail = connection_->silenceOf(waitForReply).value_or(detail);
    } else if (number == 10054)
        detail = QStringLiteral("The connection to the mail server %1 broke during %2 (%3)")
                     .arg(connection_->host, connection_->stage(), detail);
    if (number >= 10050 && number <= 10060) {
        // Nothing more is said on a line that is dead: the QUIT of the clean-up would wait out another
        // time-out. What the server said last stays readable for the caller.
        curl_socket_t socket = CURL_SOCKET_BAD;
        if (curl_easy_getinfo(c, CURLINFO_ACTIVESOCKET, &socket) == CURLE_OK && socket != CURL_SOCKET_BAD)
            shutdown(socket, SHUT_RDWR);
    }
    fail(number, detail);
}

void SmtpSession::send(MailMessage& message) {
    deliveredTo_.clear();
    if (!connection_)
        fail(10057, QStringLiteral("Not connected to the mail server"));
    if (const auto& failed = connection_->openFailure)
        fail(failed->number(), failed->description());

    // Written out first: the attachments are encoded on the way, never held in memory. In the job's own
    // folder, so that nothing of it outlives the job elsewhere.
    QTemporaryFile spool((spoolFolder.isEmpty() ? QDir::tempPath() : spoolFolder) + QStringLiteral("/.message-XXXXXX"));
    if (!spool.open())
        fail(2, QStringLiteral("Cannot write the message to %1: %2").arg(spool.fileTemplate(), spool.errorString()));
    message.writeTo(spool.handle());
    const int readFd = dup(spool.handle());
    FilePtr in(readFd >= 0 ? fdopen(readFd, "rb") : nullptr);
    if (!in) {
        if (readFd >= 0)
            ::close(readFd);
        fail(2, QStringLiteral("Cannot read the message back from %1").arg(spool.fileName()));
    }

    // A line the server closed since the last message: libcurl would try it all the same. A new connection signs
    // in afresh, with a token that has not expired meanwhile.
    const bool dead = !lineAlive();
    if (dead)
        renewBearer(false);
    curl_easy_setopt(connection_->curl.get(), CURLOPT_FRESH_CONNECT, dead ? 1L : 0L);

    std::vector<QString> remaining = message.envelopeRecipients();
    while (!remaining.empty()) {
        const size_t limit = connection_->rcptLimit;
        const auto end = remaining.begin() +
                         static_cast<std::ptrdiff_t>(limit ? std::min(limit, remaining.size()) : remaining.size());
        const std::vector<QString> batch(remaining.begin(), end);
        try {
            sendTo(batch, message.senderAddress, in.get(), spool.size());
        } catch (const ComponentError&) {
            // RFC 5321 4.5.3.1.10: a server takes so many recipients a transaction and says 452 to the next one;
            // the rest go in another transaction of the same message. A 452 to the first one is no limit.
            const bool tooMany = connection_->replyCode() == 452 &&
                                 connection_->command.startsWith(QStringLiteral("RCPT"), Qt::CaseInsensitive) &&
                                 connection_->accepted > 0;
            if (!tooMany)
                throw;
            connection_->rcptLimit = static_cast<size_t>(connection_->accepted);
            continue;
        }
        deliveredTo_.insert(deliveredTo_.end(), batch.begin(), batch.end());
        remaining.erase(remaining.begin(), remaining.begin() + static_cast<std::ptrdiff_t>(batch.size()));
    }
}

void SmtpSession::sendTo(const std::vector<QString>& recipients, const QString& sender, FILE* spool, int64_t size) {
    CURL* c = connection_->curl.get();
    SlistPtr rcpt;
    for (const QString& r : recipients)
        rcpt.reset(curl_slist_append(rcpt.release(), ("<" + r.toUtf8() + ">").constData()));
    const QByteArray from = "<" + sender.toUtf8().replace('\r', ' ').replace('\n', ' ') + ">";
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, rcpt.get());
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, onRead);
    curl_easy_setopt(c, CURLOPT_READDATA, spool);
    curl_easy_setopt(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    // The list and the file go with this message; the handle must not point at them afterwards.
    struct Detach {
        CURL* c;
        ~Detach() {
            curl_easy_setopt(c, CURLOPT_MAIL_RCPT, nullptr);
            curl_easy_setopt(c, CURLOPT_READDATA, nullptr);
            curl_easy_setopt(c, CURLOPT_UPLOAD, 0L);
            curl_easy_setopt(c, CURLOPT_FRESH_CONNECT, 0L); // the next transaction goes on the same connection
        }
    } detach{c};
    performSigningIn([&] {
        std::rewind(spool);
        perform(messageTimeout);
    });
}

void SmtpSession::performSigningIn(const std::function<void()>& attempt) {
    try {
        attempt();
        return;
    } catch (const ComponentError& e) {
        // Tokens expire, and a provider may revoke one early: a refused token gets one more try with a new one.
        if (e.number() != 535 || connection_->command != u"AUTH" || !renewBearer(true))
            throw;
    }
    attempt();
}

bool SmtpSession::renewBearer(bool refused) {
    if (!connection_ || !connection_->bearer || !signIn || !signIn->fetch)
        return false;
    try {
        signIn->secret = signIn->fetch(refused);
    } catch (const JobError& e) {
        fail(535, e.message()); // as a refused sign-in: the settings or the account must change first
    }
    connection_->password = signIn->secret.toUtf8();
    curl_easy_setopt(connection_->curl.get(), CURLOPT_XOAUTH2_BEARER, connection_->password.constData());
    return true;
}

bool SmtpSession::lineAlive() const {
    curl_socket_t socket = CURL_SOCKET_BAD;
    if (!connection_ || curl_easy_getinfo(connection_->curl.get(), CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK ||
        socket == CURL_SOCKET_BAD)
        return false;
    // Between messages the server has nothing to say: anything readable is its goodbye or the end of the line.
    pollfd p{socket, POLLIN | POLLRDHUP, 0};
    return ::poll(&p, 1, 0) == 0;
}

void SmtpSession::close() {
    // Cleaning up the handle says QUIT on a connection that is still open.
    connection_.reset();
}
