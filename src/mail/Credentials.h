#pragma once

#include "mail/MailAccount.h"

#include <QString>

#include <functional>
#include <optional>

class Settings;
class SmtpSession;
struct GnomeMailAccount;

// What a session signs in with: a password, or an OAuth2 access token (a bearer) with the source that renews it.
struct Credential {
    enum class Kind { Password, Bearer };
    Credential() = default;
    Credential(Kind k, QString u, QString s, QString f, std::function<QString(bool)> source = {})
        : kind(k), user(std::move(u)), secret(std::move(s)), from(std::move(f)), fetch(std::move(source)) {}
    Kind kind = Kind::Password;
    QString user;
    QString secret; // the password or the access token
    QString from;   // where it was found, for messages: "the keyring", "PasswordCommand", ...
    // Asks the source again, for a new connection (it may hand out the same token while that is good) or, with
    // renew, after the server refused the last one. Throws JobError. Empty for a password.
    std::function<QString(bool renew)> fetch;
};

// Keeps a password for the rest of this run (a keyring that is not there, a login just tested); found first.
void RememberForRun(const QString& key, const QString& password);
void ForgetForRun();

// The password of user on the account's server: this run's, then the keyring's, PasswordCommand's, ~/.netrc's.
// Throws JobError when PasswordCommand fails.
std::optional<Credential> FindPassword(const MailAccount& account, const QString& user, Settings& settings);

// What a job signs in with: nothing for Login=none; a password for Login=password, or for a server stored
// before Login existed when one is found; for Login=oauth2 an access token from, in turn, TokenCommand, GNOME
// Online Accounts (UseGnomeAccount) or the browser sign-in. Throws JobError, naming the setting or the source,
// when the settings give none.
std::optional<Credential> SignInFor(const MailAccount& account, Settings& settings);

// The server a job sends through: the stored one, or that of GNOME Online Accounts' account of the sender's
// address when the settings take the token from there. Throws JobError when that account cannot be had.
MailAccount JobAccount(Settings& settings);

// Login=oauth2: where the access token comes from. TokenCommand when it is set, else GNOME Online Accounts'
// account with UseGnomeAccount, else the browser sign-in.
enum class TokenSource { Command, Gnome, Browser };
TokenSource TokenSourceOf(Settings& settings);
// Login=oauth2 and that source.
bool UsesGnomeAccount(Settings& settings);
bool UsesBrowserSignIn(Settings& settings);

// Signs in with GNOME Online Accounts' account: its token (or its password) now and for every new connection.
Credential GnomeCredential(const GnomeMailAccount& account);

// Throws JobError when the account's settings cannot be used for a mail job; checked before anything is split.
void CheckMailAccount(Settings& settings);

// Connects, starts TLS, signs in as the account asks and says goodbye; what the server said, for the user
// ("Signed in to smtp.example.org:587 as jo@example.org; messages up to 35 MB"). Throws ComponentError.
// signedIn: whether the server took the sign-in.
QString TrySignIn(const MailAccount& account, const std::optional<Credential>& signIn, bool* signedIn = nullptr);

// Points the session at the stored account, with what it signs in with.
void SetUpSession(SmtpSession& session, Settings& settings);
