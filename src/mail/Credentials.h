#pragma once

#include "mail/MailAccount.h"

#include <QString>

#include <optional>

class Settings;
class SmtpSession;

// What a session signs in with. A password today; a token source goes beside it as another kind.
struct Credential {
    enum class Kind { Password };
    Kind kind = Kind::Password;
    QString user;
    QString secret;
    QString from; // where it was found, for messages: "the keyring", "PasswordCommand", ...
};

// Keeps a password for the rest of this run (a keyring that is not there, a login just tested); found first.
void RememberForRun(const QString& key, const QString& password);
void ForgetForRun();

// The password of user on the account's server: this run's, then the keyring's, PasswordCommand's, ~/.netrc's.
// Throws JobError when PasswordCommand fails.
std::optional<Credential> FindPassword(const MailAccount& account, const QString& user, Settings& settings);

// What a job signs in with: nothing for Login=none; a password for Login=password, or for a server stored
// before Login existed when one is found. Throws JobError, naming the setting, when the settings give none.
std::optional<Credential> SignInFor(const MailAccount& account, Settings& settings);

// Throws JobError when the account's settings cannot be used for a mail job; checked before anything is split.
void CheckMailAccount(Settings& settings);

// Connects, starts TLS, signs in as the account asks and says goodbye; what the server said, for the user
// ("Signed in to smtp.example.org:587 as jo@example.org; messages up to 35 MB"). Throws ComponentError.
// signedIn: whether the server took the sign-in.
QString TrySignIn(const MailAccount& account, const std::optional<Credential>& signIn, bool* signedIn = nullptr);

// Points the session at the stored account, with what it signs in with.
void SetUpSession(SmtpSession& session, Settings& settings);
