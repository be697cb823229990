#pragma once

#include <QString>

class Settings;
struct MailAccount;

// Where and how the browser sign-in of an account happens.
struct OAuthProvider {
    QString name; // "Google", "Microsoft", or the host of the authorization endpoint
    QString authorizeUrl;
    QString tokenUrl;
    QString scope;
    QString clientId;
    QString clientSecret; // empty for a provider that wants none
};

// The provider for the account and sender's address: a preset picked from the server, else from the address's
// domain; the OAuth* settings that are set replace the preset's values, and alone make a provider for any other
// server. Throws JobError saying what is missing (a provider, a client id) and the other ways to sign in.
OAuthProvider OAuthProviderFor(const MailAccount& account, const QString& address, Settings& settings);

// Why the URL cannot be an endpoint of the sign-in, or an empty text.
QString EndpointProblem(const QString& url);
