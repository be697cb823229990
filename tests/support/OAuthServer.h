#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

class ScopedEnv;

// oauth2_server.py on a free port of 127.0.0.1 (options: see the script), with the xdg-open stand-in first on PATH
// for the object's lifetime, logging to browserLog().
class OAuthServer {
public:
    explicit OAuthServer(const QStringList& options = {});
    ~OAuthServer();
    bool running() const { return port_ > 0; }
    QString authorizeUrl() const { return QStringLiteral("http://127.0.0.1:%1/authorize").arg(port_); }
    QString tokenUrl() const { return QStringLiteral("http://127.0.0.1:%1/token").arg(port_); }
    // One command of the script ("expire", "deny", ...): true once it answered "ok".
    bool command(const QString& line);
    // What a user without xdg-open does: opens the page in the (stand-in) browser by hand.
    void openByHand(const QUrl& url) const;
    QStringList requests() const; // "authorize code", "token refresh_token ok", ...
    // What the stand-in browser did, once it is done (waits up to 10 s): "open URL", "get URL", "302 URL", ..., "done".
    QStringList browserLog() const;
    QString lastPage() const; // the body of the last page the browser got
    QString folder() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
    std::unique_ptr<ScopedEnv> path_, log_, page_;
};
