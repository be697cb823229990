#pragma once

#include <QString>
#include <QTemporaryDir>

// A self-signed certificate for 127.0.0.1 and localhost, made with openssl for one test.
class SelfSignedCertificate {
public:
    SelfSignedCertificate();
    bool valid() const { return valid_; }
    QString certificate() const { return dir_.filePath(QStringLiteral("cert.pem")); }
    QString key() const { return dir_.filePath(QStringLiteral("key.pem")); }

private:
    QTemporaryDir dir_;
    bool valid_ = false;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};
