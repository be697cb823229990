#include "support/SmtpServer.h"

#include "support/Files.h"

#include <QDir>
#include <QFile>

SmtpServer::SmtpServer(const QStringList& options) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Debian's python, which has aiosmtpd, whatever else is first on PATH.
    process_.start(QStringLiteral("/usr/bin/python3"),
                   QStringList{QStringLiteral(BREVIMO_SMTP_SERVER), dir_.path()} + options);
    if (!process_.waitForStarted(10000))
        return;
    while (process_.waitForReadyRead(10000)) {
        if (process_.canReadLine()) {
            port_ = process_.readLine().trimmed().toInt();
            break;
        }
    }
}

SmtpServer::~SmtpServer() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

int SmtpServer::messageCount() const {
    return static_cast<int>(QDir(dir_.path()).entryList({QStringLiteral("*.eml")}, QDir::Files).size());
}

int SmtpServer::connections() const {
    return ReadFile(dir_.filePath(QStringLiteral("connections"))).toInt();
}

QByteArray SmtpServer::message(int n) const {
    return ReadFile(dir_.filePath(QStringLiteral("%1.eml").arg(n)));
}

QStringList SmtpServer::envelope(int n) const {
    return QString::fromUtf8(ReadFile(dir_.filePath(QStringLiteral("%1.env").arg(n)))).split(u'\n', Qt::SkipEmptyParts);
}

QStringList SmtpServer::logins() const {
    if (!QFile::exists(dir_.filePath(QStringLiteral("auth"))))
        return {};
    return QString::fromUtf8(ReadFile(dir_.filePath(QStringLiteral("auth")))).split(u'\n', Qt::SkipEmptyParts);
}
