#pragma once

#include <QString>

// The desktop's keyring (Secret Service or KWallet, through QtKeychain). Calls wait for the answer; they may run
// on any thread that can run an event loop. Nothing ever falls back to a file.
class Keyring {
public:
    enum class Status { Found, NotFound, Unavailable };
    struct Answer {
        Status status = Status::Unavailable;
        QString password;
        QString reason; // why no keyring answered, for the user
    };

    // The key of the password of user on a server.
    static QString keyFor(const QString& user, const QString& host);
    static Answer read(const QString& key);
    // True when the keyring keeps it; else reason says why.
    static bool write(const QString& key, const QString& password, QString* reason);

private:
    static Answer readHere(const QString& key);
    static bool writeHere(const QString& key, const QString& password, QString* reason);
};
