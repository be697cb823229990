#include "mail/OAuthBrowserSignIn.h"

#include "core/JobError.h"
#include "core/StringTable.h"
#include "mail/OAuthTokenRequest.h"
#include "mail/OAuthTokens.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QThread>
#include <QUrlQuery>

#include <memory>

namespace {

constexpr qsizetype kLargestRequest = 16 * 1024;

QString randomText(int bytes) {
    QByteArray raw(bytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(raw.data()), bytes / 4);
    return QString::fromLatin1(raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString challengeOf(const QString& verifier) {
    return QString::fromLatin1(QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256)
                                   .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace

OAuthBrowserSignIn::OAuthBrowserSignIn(OAuthProvider provider, QString user, QObject* parent)
    : QObject(parent), provider_(std::move(provider)), user_(std::move(user)) {
    timeLimit_.setSingleShot(true);
    connect(&timeLimit_, &QTimer::timeout, this,
            [this] { finish(Text(Res::OAuthTimeLimit).arg(provider_.name).arg(timeLimitMs_ / 60000.0)); });
    connect(&server_, &QTcpServer::newConnection, this, &OAuthBrowserSignIn::onConnection);
}

OAuthBrowserSignIn::~OAuthBrowserSignIn() {
    // An exchange under way ends within the request's time-out; what it answers is dropped.
    if (exchange_) {
        exchange_->wait();
        delete exchange_;
    }
}

void OAuthBrowserSignIn::start() {
    if (!server_.listen(QHostAddress::LocalHost, 0)) {
        finish(Text(Res::OAuthNoAnswer).arg(provider_.name, server_.errorString()));
        return;
    }
    // 32 random bytes: a verifier of 43 characters, the least RFC 7636 allows and as strong as it asks.
    verifier_ = randomText(32);
    state_ = randomText(16);
    redirectUri_ = QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort());
    QUrlQuery query;
    const std::pair<const char*, QString> items[] = {{"response_type", QStringLiteral("code")},
                                                     {"client_id", provider_.clientId},
                                                     {"redirect_uri", redirectUri_},
                                                     {"scope", provider_.scope},
                                                     {"state", state_},
                                                     {"code_challenge", challengeOf(verifier_)},
                                                     {"code_challenge_method", QStringLiteral("S256")},
                                                     {"login_hint", user_}};
    for (const auto& [name, value] : items)
        if (!value.isEmpty())
            query.addQueryItem(QLatin1String(name), QString::fromLatin1(QUrl::toPercentEncoding(value)));
    authorizeUrl_ = QUrl(provider_.authorizeUrl);
    QUrlQuery given(authorizeUrl_); // a provider's own parameters in the setting stay
    for (const auto& item : query.queryItems(QUrl::FullyEncoded))
        given.addQueryItem(item.first, item.second);
    authorizeUrl_.setQuery(given);
    timeLimit_.start(timeLimitMs_);
    // xdg-open hands the page to the desktop's browser and returns. Without it (a system with no desktop) the user
    // opens the page the caller shows, so the wait goes on.
    QProcess::startDetached(QStringLiteral("xdg-open"), {authorizeUrl_.toString(QUrl::FullyEncoded)});
}

void OAuthBrowserSignIn::cancel() {
    finish(Text(Res::OAuthCancelled));
}

void OAuthBrowserSignIn::onConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
    }
}

void OAuthBrowserSignIn::onReadable(QTcpSocket* socket) {
    auto buffered = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", buffered);
    if (buffered.size() > kLargestRequest) {
        reply(socket, 431, QStringLiteral("Request too large"));
        return;
    }
    const qsizetype end = buffered.indexOf("\r\n\r\n");
    if (end < 0 || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    const QList<QByteArray> requestLine = buffered.left(buffered.indexOf("\r\n")).split(' ');
    if (requestLine.size() != 3 || requestLine[0] != "GET") {
        reply(socket, 405, QStringLiteral("Method not allowed"));
        return;
    }
    answer(socket, QString::fromLatin1(requestLine[1]));
}

void OAuthBrowserSignIn::answer(QTcpSocket* socket, const QString& target) {
    const QUrl url(QStringLiteral("http://127.0.0.1") + target);
    // Anything else a browser asks for (a favicon) is no answer of the provider.
    if (url.path() != u"/" || !url.hasQuery()) {
        reply(socket, 404, QStringLiteral("Not found"));
        return;
    }
    if (answered_ || done_) {
        // One answer per sign-in: another (a reload, the browser's spare connection) changes nothing, and is told so.
        reply(socket, 409, Text(Res::OAuthAnsweredBefore));
        return;
    }
    answered_ = true;
    const QUrlQuery query(url);
    const auto item = [&](const char* name) { return query.queryItemValue(QLatin1String(name), QUrl::FullyDecoded); };
    server_.close(); // one answer only: a second could be another page's
    QString failure;
    if (item("state") != state_)
        failure = Text(Res::OAuthStateMismatch).arg(provider_.name);
    else if (item("error") == u"access_denied")
        failure = Text(Res::OAuthDenied).arg(provider_.name);
    else if (!item("error").isEmpty())
        failure = Text(Res::OAuthRefused).arg(provider_.name, item("error"), item("error_description"));
    else if (item("code").isEmpty())
        failure = Text(Res::OAuthRefused).arg(provider_.name, QStringLiteral("no code"), QString());
    if (!failure.isEmpty()) {
        reply(socket, 400, failure);
        finish(failure);
        return;
    }
    exchange(socket, item("code"));
}

void OAuthBrowserSignIn::exchange(QTcpSocket* socket, const QString& code) {
    QList<QPair<QString, QString>> form = {{QStringLiteral("grant_type"), QStringLiteral("authorization_code")},
                                           {QStringLiteral("code"), code},
                                           {QStringLiteral("redirect_uri"), redirectUri_},
                                           {QStringLiteral("client_id"), provider_.clientId},
                                           {QStringLiteral("code_verifier"), verifier_}};
    if (!provider_.clientSecret.isEmpty())
        form.append({QStringLiteral("client_secret"), provider_.clientSecret});
    struct Outcome {
        TokenAnswer tokens;
        QString failure;
    };
    auto outcome = std::make_shared<Outcome>();
    // The request waits for the provider, which the window must not.
    exchange_ = QThread::create([outcome, form, provider = provider_] {
        try {
            outcome->tokens = RequestTokens(provider.tokenUrl, provider.name, form);
        } catch (const JobError& e) {
            outcome->failure = e.message();
        }
    });
    QPointer<QTcpSocket> browser(socket);
    connect(exchange_, &QThread::finished, this, [this, outcome, browser] {
        exchange_->deleteLater();
        exchange_ = nullptr;
        // Cancelled meanwhile: the tab says so too, and nothing is kept.
        QString failure = done_ ? error_ : outcome->failure;
        const TokenAnswer& tokens = outcome->tokens;
        if (failure.isEmpty() && !tokens.error.isEmpty())
            failure = Text(Res::OAuthRefused).arg(provider_.name, tokens.error, tokens.description);
        else if (failure.isEmpty() && tokens.refreshToken.isEmpty())
            failure = Text(Res::OAuthRefused).arg(provider_.name, QStringLiteral("no refresh token"), QString());
        // The tab is answered first: the keyring may ask for its own password meanwhile.
        if (browser)
            reply(browser, failure.isEmpty() ? 200 : 400, failure.isEmpty() ? Text(Res::OAuthCloseTab) : failure);
        QString reason;
        if (failure.isEmpty() && !done_ && !KeepTokens(provider_, user_, tokens, &reason))
            failure = Text(Res::OAuthNotKept).arg(provider_.name, reason);
        finish(failure);
    });
    exchange_->start();
}

void OAuthBrowserSignIn::reply(QTcpSocket* socket, int status, const QString& text) {
    const QByteArray page = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Brevimo</title>"
                                           "</head><body><p>%1</p></body></html>\n")
                                .arg(text.toHtmlEscaped())
                                .toUtf8();
    socket->write("HTTP/1.1 " + QByteArray::number(status) + (status == 200 ? " OK" : " Error") +
                  "\r\nContent-Type: text/html; charset=utf-8\r\nCache-Control: no-store\r\nConnection: close\r\n"
                  "Content-Length: " +
                  QByteArray::number(page.size()) + "\r\n\r\n" + page);
    // Into the system's buffer now: finished() may end the event loop, and this object, before it runs again.
    socket->flush();
    socket->disconnectFromHost();
}

void OAuthBrowserSignIn::finish(const QString& error) {
    if (done_)
        return;
    done_ = true;
    error_ = error;
    timeLimit_.stop();
    server_.close();
    emit finished(error.isEmpty());
}
