#pragma once

#include <QString>

#include <optional>

struct NetrcLogin {
    QString login;
    QString password;
};

// The login for a host from a netrc file (machine, login, password, default, account and macdef tokens).
// Read here rather than by the mail library, so that the sender knows a password is coming and can insist
// on an encrypted connection first.
std::optional<NetrcLogin> NetrcLoginFor(const QString& netrcPath, const QString& host);

// ~/.netrc of the user running the program.
QString DefaultNetrcPath();
