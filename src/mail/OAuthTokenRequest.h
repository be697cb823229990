#pragma once

#include <QList>
#include <QPair>
#include <QString>

// What a token endpoint answered (RFC 6749 5.1 and 5.2).
struct TokenAnswer {
    QString accessToken;
    QString refreshToken; // empty when the provider keeps the one it issued before
    qint64 expiresIn = 0; // seconds, at most a day; 0 when the answer does not say
    QString error;        // an RFC 6749 error code such as invalid_grant; empty on success
    QString description;  // the provider's words on the error
};

// POSTs the form to the token endpoint and waits for the answer, on any thread. Throws JobError naming the provider
// when no answer comes or it is not one of the two kinds above: a success without an access token, or with one that is
// no bearer, is none.
TokenAnswer RequestTokens(const QString& tokenUrl, const QString& providerName,
                          const QList<QPair<QString, QString>>& form);
