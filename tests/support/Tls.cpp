#include "support/Tls.h"

#include <QProcess>

SelfSignedCertificate::SelfSignedCertificate() {
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels); // its progress dots are of no interest
    openssl.start(QStringLiteral("openssl"),
                  {u"req"_qs, u"-x509"_qs, u"-newkey"_qs, u"rsa:2048"_qs, u"-nodes"_qs, u"-keyout"_qs, key(),
                   u"-out"_qs, certificate(), u"-days"_qs, u"2"_qs, u"-subj"_qs, u"/CN=127.0.0.1"_qs, u"-addext"_qs,
                   u"subjectAltName=IP:127.0.0.1,DNS:localhost"_qs});
    valid_ = openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0;
}

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
