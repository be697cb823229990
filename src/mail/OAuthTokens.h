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
