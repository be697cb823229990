#pragma once

#include "core/JobError.h"

#include <QString>

class Settings;
struct MailAccount;

// No browser sign-in is kept for the account, or the provider no longer takes the one kept (invalid_grant): the
// user must sign in again, in the window or with `brevimo /login`.
class SignInNeeded : public JobError {
public:
    using JobError::JobError;
};

// The access token of the browser sign-in of user on the account: the one in memory while it has more than a
// minute left, else a new one for the refresh token kept in the keyring. renew: the server refused the last one,
// so another is fetched however long it looks good. Throws SignInNeeded, or JobError naming the provider for
// other failures.
QString BrowserAccessToken(const MailAccount& account, const QString& user, Settings& settings, bool renew);

struct OAuthProvider;
struct TokenAnswer;

// The keyring's key of the refresh token of user with the provider; it is never a password's key.
QString RefreshTokenKey(const QString& user, const OAuthProvider& provider);

// Keeps what a sign-in or refresh answered: a refresh token in the keyring (false, with reason, when the keyring does
// not keep it), the access token in memory with its expiry.
bool KeepTokens(const OAuthProvider& provider, const QString& user, const TokenAnswer& answer, QString* reason);

// The access token of the stored account, as a job signs in with it: throws SignInNeeded or JobError as above.
QString StoredAccountAccessToken(Settings& settings);
