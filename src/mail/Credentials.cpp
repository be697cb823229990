#include "mail/Credentials.h"

#include "core/JobError.h"
#include "core/StringTable.h"
#include "mail/GnomeAccounts.h"
#include "mail/Keyring.h"
#include "mail/Mailboxes.h"
#include "mail/Netrc.h"
#include "mail/OAuthTokens.h"
#include "mail/SmtpSession.h"
#include "settings/Settings.h"

#include <QLocale>
#include <QProcess>

#include <map>
#include <mutex>

namespace {

std::mutex runMutex;
std::map<QString, QString>& runPasswords() {
    static std::map<QString, QString> passwords;
    return passwords;
}

// The first line the command prints; it runs in the user's shell, as msmtp's passwordeval does. key: the setting
// that holds the command; what: what it prints.
QString firstLineOf(const QString& command, const QString& key, const QString& what, Settings& settings) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    const auto fail = [&](const QString& why) {
        return JobError(Text(Res::BadMailSetting).arg(key, settings.Location(), why));
    };
    // pass may wait for gpg-agent's question to the user.
    if (!process.waitForStarted(10000) || !process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(1000);
        throw fail(process.errorString());
    }
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString error = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        throw fail(QStringLiteral("'%1' ended with status %2%3")
                       .arg(command)
                       .arg(process.exitCode())
                       .arg(error.isEmpty() ? QString() : QStringLiteral(": ") + error));
    }
    QString line = output.section(u'\n', 0, 0);
    if (line.endsWith(u'\r'))
        line.chop(1);
    if (line.isEmpty())
        throw fail(QStringLiteral("'%1' printed no %2").arg(command, what));
    return line;
}

QString senderAddress(Settings& settings) {
    const QString from = settings.FromEMailAddress().trimmed();
    const auto mailbox = ParseMailbox(from);
    return mailbox ? mailbox->address : from;
}

GnomeMailAccount gnomeAccountOf(Settings& settings) {
    const QString address = senderAddress(settings);
    auto found = GnomeAccounts::accountFor(address);
    if (!found)
        throw JobError(Text(Res::GnomeNoAccount).arg(address));
    return *found;
}

// Login=oauth2: the first source the settings name gives the token.
Credential bearerFor(const MailAccount& account, const QString& user, Settings& settings) {
    Credential c{Credential::Kind::Bearer, user, QString(), QString(), {}};
    if (TokenSourceOf(settings) == TokenSource::Command) {
        const QString command = settings.TokenCommand().trimmed();
        // Run again for every connection: oama and mailctl keep the token themselves and renew it when due.
        c.from = QStringLiteral("TokenCommand");
        c.fetch = [command, &settings](bool) {
            // A token holds no blanks; a tool that pads its line must not make the server refuse it.
            return firstLineOf(command, QStringLiteral("TokenCommand"), QStringLiteral("access token"), settings)
                .trimmed();
        };
    } else {
        c.from = Text(Res::FromBrowser);
        c.fetch = [account, user, &settings](bool renew) { return BrowserAccessToken(account, user, settings, renew); };
    }
    c.secret = c.fetch(false);
    return c;
}

} // namespace

Credential GnomeCredential(const GnomeMailAccount& account) {
    Credential c{account.oauth2 ? Credential::Kind::Bearer : Credential::Kind::Password, account.server.user, QString(),
                 Text(Res::FromGnome).arg(account.provider),
                 [account](bool renew) { return GnomeAccounts::secretFor(account, renew); }};
    c.secret = c.fetch(false);
    return c;
}

TokenSource TokenSourceOf(Settings& settings) {
    if (!settings.TokenCommand().trimmed().isEmpty())
        return TokenSource::Command;
    return settings.UseGnomeAccount() ? TokenSource::Gnome : TokenSource::Browser;
}

bool UsesGnomeAccount(Settings& settings) {
    return MailAccount::FromSettings(settings).login == SignIn::OAuth2 && TokenSourceOf(settings) == TokenSource::Gnome;
}

bool UsesBrowserSignIn(Settings& settings) {
    return MailAccount::FromSettings(settings).login == SignIn::OAuth2 &&
           TokenSourceOf(settings) == TokenSource::Browser;
}

MailAccount JobAccount(Settings& settings) {
    if (!UsesGnomeAccount(settings))
        return MailAccount::FromSettings(settings);
    return gnomeAccountOf(settings).server;
}

void RememberForRun(const QString& key, const QString& password) {
    const std::lock_guard lock(runMutex);
    runPasswords()[key] = password;
}

void ForgetForRun() {
    const std::lock_guard lock(runMutex);
    runPasswords().clear();
}

std::optional<Credential> FindPassword(const MailAccount& account, const QString& user, Settings& settings) {
    const QString key = Keyring::keyFor(user, account.host.trimmed());
    {
        const std::lock_guard lock(runMutex);
        const auto kept = runPasswords().find(key);
        if (kept != runPasswords().end())
            return Credential{Credential::Kind::Password, user, kept->second, QStringLiteral("this run")};
    }
    const Keyring::Answer answer = Keyring::read(key);
    if (answer.status == Keyring::Status::Found) {
        RememberForRun(key, answer.password); // a series asks again for each connection
        return Credential{Credential::Kind::Password, user, answer.password, QStringLiteral("the keyring")};
    }
    const QString command = settings.PasswordCommand().trimmed();
    if (!command.isEmpty()) {
        const QString password =
            firstLineOf(command, QStringLiteral("PasswordCommand"), QStringLiteral("password"), settings);
        RememberForRun(key, password);
        return Credential{Credential::Kind::Password, user, password, QStringLiteral("PasswordCommand")};
    }
    if (const auto netrc = NetrcLoginFor(DefaultNetrcPath(), account.host.trimmed())) {
        // The netrc entry names its own user.
        const QString netrcUser = netrc->login.isEmpty() ? user : netrc->login;
        return Credential{Credential::Kind::Password, netrcUser, netrc->password, QStringLiteral("~/.netrc")};
    }
    return std::nullopt;
}

std::optional<Credential> SignInFor(const MailAccount& account, Settings& settings) {
    const QString user = account.userOr(settings.FromEMailAddress());
    switch (account.login) {
    case SignIn::None:
        return std::nullopt;
    case SignIn::OAuth2:
        if (UsesGnomeAccount(settings)) // its token, or the password of a password account
            return GnomeCredential(gnomeAccountOf(settings));
        return bearerFor(account, user, settings);
    case SignIn::Password:
        if (UsesGnomeAccount(settings))
            return GnomeCredential(gnomeAccountOf(settings));
        break;
    }
    auto found = FindPassword(account, user, settings);
    if (!found && !account.legacy)
        throw JobError(Text(Res::NoPassword).arg(user, account.host.trimmed()));
    return found;
}

void CheckMailAccount(Settings& settings) {
    const MailAccount account = JobAccount(settings);
    const auto refuse = [&](const QString& key, const QString& why) {
        throw JobError(Text(Res::BadMailSetting).arg(key, settings.Location(), why));
    };
    if (const QString why = ServerProblem(account.host); !why.isEmpty())
        refuse(QStringLiteral("Host"), why);
    if (const QString why = PortProblem(account.port); !why.isEmpty())
        refuse(QStringLiteral("Port"), why);
    if (account.security == Security::None && account.login == SignIn::Password && !account.legacy)
        refuse(QStringLiteral("Security"), Text(Res::PasswordNeedsEncryption));
    if (account.security == Security::None && account.login == SignIn::OAuth2)
        refuse(QStringLiteral("Security"), Text(Res::BearerNeedsEncryption));
    // Throws when it gives nothing to sign in with: a token source that fails stops the job before the split.
    SignInFor(account, settings);
}

QString TrySignIn(const MailAccount& account, const std::optional<Credential>& signIn, bool* signedIn) {
    SmtpSession session;
    session.server = account.url();
    session.security = account.security;
    session.signIn = signIn;
    session.signInGiven = true;
    session.connectTimeout = 30;
    session.replyTimeout = 60; // a test the user waits for
    session.open();
    const bool took = signIn && session.signedIn();
    QString said = took ? Text(Res::TestSignedIn).arg(account.hostAndPort(), signIn->user)
                        : Text(Res::TestConnected).arg(account.hostAndPort());
    if (const int64_t limit = session.serverSizeLimit(); limit > 0)
        said += Text(Res::TestSizeLimit).arg(QLocale().formattedDataSize(limit, 1, QLocale::DataSizeTraditionalFormat));
    session.close();
    if (signedIn)
        *signedIn = took;
    return said + u'.';
}

void SetUpSession(SmtpSession& session, Settings& settings) {
    const MailAccount account = JobAccount(settings);
    session.server = account.url();
    session.security = account.legacy ? std::nullopt : std::optional(account.security);
    session.signIn = SignInFor(account, settings);
    session.signInGiven = true;
    session.replyTimeout = settings.MailReplyTimeout();
    session.connectTimeout = settings.MailConnectTimeout();
    session.messageTimeout = settings.MailMessageTimeout();
}
