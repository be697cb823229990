#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// aiosmtpd on a free port of 127.0.0.1, started by the test; it stores what it receives in a folder.
class SmtpServer {
public:
    explicit SmtpServer(const QStringList& options = {});
    ~SmtpServer();

    bool running() const { return port_ > 0; }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    int port() const { return port_; }
    QString folder() const { return dir_.path(); } // where the messages are stored
    // The AUTH attempts, one "user password tls|plain" a line.
    QStringList logins() const;
    int messageCount() const;
    int connections() const;
    QByteArray message(int n) const;   // the n-th message as received, from 1
    QStringList envelope(int n) const; // sender, then the recipients

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};
