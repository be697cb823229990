#pragma once

#include "mail/OAuthProvider.h"

#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>

class QTcpSocket;
class QThread;

// The sign-in in the user's browser: the authorization code flow with PKCE (S256) for a native application, answered
// on a loopback redirect (RFC 6749, 7636, 8252). Written on QTcpServer rather than QtNetworkAuth, whose code flow
// in Debian's Qt 6.4 has no PKCE. The refresh token goes to the keyring, the access token to memory (OAuthTokens).
class OAuthBrowserSignIn : public QObject {
    Q_OBJECT
public:
    OAuthBrowserSignIn(OAuthProvider provider, QString user, QObject* parent = nullptr);
    ~OAuthBrowserSignIn() override;

    // How long the browser may take; five minutes unless changed before start().
    void setTimeLimit(int ms) { timeLimitMs_ = ms; }
    // Listens on 127.0.0.1 and opens the authorization page with xdg-open, or leaves it to the user where there is
    // none; finished() follows.
    void start();
    // Ends the wait; finished(false) follows.
    void cancel();

    // The page the browser is sent to, for a user whose browser is on another screen; empty before start().
    QUrl authorizeUrl() const { return authorizeUrl_; }
    // Why it failed, for the user.
    const QString& error() const { return error_; }
    const OAuthProvider& provider() const { return provider_; }

signals:
    void finished(bool succeeded);

private:
    void onConnection();
    void onReadable(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const QString& target);
    void exchange(QTcpSocket* socket, const QString& code);
    void reply(QTcpSocket* socket, int status, const QString& text);
    void finish(const QString& error);

    OAuthProvider provider_;
    QString user_;
    QString verifier_, state_, redirectUri_;
    QUrl authorizeUrl_;
    QTcpServer server_;
    QTimer timeLimit_;
    int timeLimitMs_ = 5 * 60 * 1000;
    QThread* exchange_ = nullptr;
    bool answered_ = false; // a redirect was taken: the one answer of this sign-in
    bool done_ = false;
    QString error_;
};
