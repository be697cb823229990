#include "support/OAuthServer.h"

#include "support/Files.h"

#include <QFile>
#include <QThread>

OAuthServer::OAuthServer(const QStringList& options) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("/usr/bin/python3"),
                   QStringList{QStringLiteral(BREVIMO_SUPPORT "/oauth2_server.py"), dir_.path()} + options);
    while (port_ == 0 && process_.waitForReadyRead(10000))
        if (process_.canReadLine())
            port_ = process_.readLine().trimmed().toInt();
    path_ = std::make_unique<ScopedEnv>("PATH", BREVIMO_SUPPORT ":" + qgetenv("PATH"));
    log_ = std::make_unique<ScopedEnv>("XDG_OPEN_LOG", dir_.filePath(QStringLiteral("browser")).toUtf8());
    page_ = std::make_unique<ScopedEnv>("XDG_OPEN_PAGE", dir_.filePath(QStringLiteral("page")).toUtf8());
}

OAuthServer::~OAuthServer() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool OAuthServer::command(const QString& line) {
    process_.write(line.toUtf8() + '\n');
    while (!process_.canReadLine())
        if (!process_.waitForReadyRead(10000))
            return false;
    return process_.readLine().trimmed() == "ok";
}

void OAuthServer::openByHand(const QUrl& url) const {
    QProcess::startDetached(QStringLiteral("/usr/bin/python3"),
                            {QStringLiteral(BREVIMO_SUPPORT "/xdg-open"), url.toString(QUrl::FullyEncoded)});
}

QStringList OAuthServer::requests() const {
    QFile f(dir_.filePath(QStringLiteral("requests")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                       : QStringList();
}

QStringList OAuthServer::browserLog() const {
    QStringList lines;
    for (int tries = 0; tries < 100; ++tries) {
        QFile f(dir_.filePath(QStringLiteral("browser")));
        if (f.open(QIODevice::ReadOnly))
            lines = QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
        if (lines.contains(u"done"_qs))
            break;
        QThread::msleep(100);
    }
    return lines;
}

QString OAuthServer::lastPage() const {
    QFile f(dir_.filePath(QStringLiteral("page")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
