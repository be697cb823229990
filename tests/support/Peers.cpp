#include "support/Peers.h"

#include "support/Files.h"

#include <QDir>
#include <QFile>

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value)
    : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv() {
    if (had_)
        qputenv(name_, old_);
    else
        qunsetenv(name_);
}

SmtpServer::SmtpServer(const QStringList& options) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Debian's python, which has aiosmtpd, whatever else is first on PATH.
    process_.start(QStringLiteral("/usr/bin/python3"),
                   QStringList{QStringLiteral(BREVIMO_SMTP_SERVER), dir_.path()} + options);
    while (port_ == 0 && process_.waitForReadyRead(10000))
        if (process_.canReadLine())
            port_ = process_.readLine().trimmed().toInt();
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
    QFile f(dir_.filePath(QStringLiteral("auth")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                       : QStringList();
}

SelfSignedCertificate::SelfSignedCertificate() {
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels); // its progress dots are of no interest
    openssl.start(QStringLiteral("openssl"),
                  {u"req"_qs, u"-x509"_qs, u"-newkey"_qs, u"rsa:2048"_qs, u"-nodes"_qs, u"-keyout"_qs, key(),
                   u"-out"_qs, certificate(), u"-days"_qs, u"2"_qs, u"-subj"_qs, u"/CN=127.0.0.1"_qs, u"-addext"_qs,
                   u"subjectAltName=IP:127.0.0.1,DNS:localhost"_qs});
    valid_ = openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0;
}

StandInNmcli::StandInNmcli() {
    ready_ = QFile::link(QStringLiteral(BREVIMO_NMCLI), dir_.filePath(QStringLiteral("nmcli")));
    path_ = std::make_unique<ScopedEnv>("PATH", dir_.path().toUtf8() + ':' + qgetenv("PATH"));
    log_ = std::make_unique<ScopedEnv>("NMCLI_LOG", dir_.filePath(QStringLiteral("calls")).toUtf8());
    for (const char* name : {"NMCLI_AVAILABLE", "NMCLI_CONNECTIONS", "NMCLI_FAIL_UP", "NMCLI_FAIL_DOWN", "NMCLI_WATCH"})
        vars_[name] = std::make_unique<ScopedEnv>(name, QByteArray());
}

void StandInNmcli::set(const char* name, const QString& value) {
    vars_[name].reset();
    vars_[name] = std::make_unique<ScopedEnv>(name, value.toUtf8());
}

QStringList StandInNmcli::calls() const {
    QFile f(dir_.filePath(QStringLiteral("calls")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                       : QStringList();
}
