#include "mail/AccountLogin.h"

#include "core/ComponentError.h"
#include "core/JobError.h"
#include "core/StringTable.h"
#include "mail/Credentials.h"
#include "mail/Keyring.h"
#include "mail/OAuthBrowserSignIn.h"
#include "settings/Settings.h"
#include "shell/Shell.h"

#include <QEventLoop>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

// One line of the input, without its end; the terminal does not show what is typed.
QString readPassword(int fd) {
    termios saved{};
    const bool terminal = isatty(fd) && tcgetattr(fd, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    QByteArray line;
    char c = 0;
    // Byte by byte: nothing after the line is taken from a pipe that others read on.
    while (read(fd, &c, 1) == 1 && c != '\n')
        line.append(c);
    if (terminal)
        tcsetattr(fd, TCSAFLUSH, &saved);
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

// The sign-in in the browser; the URL is printed too, for a browser on another screen.
bool logInWithBrowser(Settings& settings, Shell& shell, const MailAccount& account) {
    const TokenSource source = TokenSourceOf(settings);
    if (source != TokenSource::Browser) {
        shell.Fail(Text(Res::LoginNothingToKeep)
                       .arg(settings.Location(), source == TokenSource::Command
                                                     ? QStringLiteral("TokenCommand")
                                                     : QStringLiteral("GNOME Online Accounts")));
        return false;
    }
    const QString user = account.userOr(settings.FromEMailAddress());
    OAuthProvider provider;
    try {
        provider = OAuthProviderFor(account, settings.FromEMailAddress(), settings);
    } catch (const JobError& e) {
        shell.Fail(e.message());
        return false;
    }
    OAuthBrowserSignIn signIn(provider, user);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&signIn, &OAuthBrowserSignIn::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    signIn.start();
    if (!done) {
        const QString url = signIn.authorizeUrl().toString(QUrl::FullyEncoded);
        std::fputs((Text(Res::OAuthOpenPage).arg(provider.name, url) + u'\n').toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        loop.exec();
    }
    if (!signIn.error().isEmpty()) {
        shell.Fail(signIn.error());
        return false;
    }
    account.store(settings);
    shell.Inform(Text(Res::OAuthSignedIn).arg(user, provider.name));
    return true;
}

} // namespace

bool LogInStoredAccount(Settings& settings, Shell& shell, int inputFd) {
    MailAccount account = MailAccount::FromSettings(settings);
    if (account.login == SignIn::OAuth2)
        return logInWithBrowser(settings, shell, account);
    try {
        account.login = SignIn::Password; // what /login is for, also where none was chosen yet
        if (const QString why = ServerProblem(account.host); !why.isEmpty())
            throw JobError(Text(Res::BadMailSetting).arg(QStringLiteral("Host"), settings.Location(), why));
        if (const QString why = PortProblem(account.port); !why.isEmpty())
            throw JobError(Text(Res::BadMailSetting).arg(QStringLiteral("Port"), settings.Location(), why));
        if (account.security == Security::None)
            throw JobError(
                Text(Res::BadMailSetting)
                    .arg(QStringLiteral("Security"), settings.Location(), Text(Res::PasswordNeedsEncryption)));
    } catch (const JobError& e) {
        shell.Fail(e.message());
        return false;
    }
    const QString user = account.userOr(settings.FromEMailAddress());
    std::fputs(Text(Res::LoginPrompt).arg(user, account.hostAndPort()).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    const Credential password{Credential::Kind::Password, user, readPassword(inputFd), QString()};
    bool took = false;
    QString said;
    try {
        said = TrySignIn(account, password, &took);
    } catch (const ComponentError& e) {
        shell.Fail(e.description());
        return false;
    }
    if (!took) {
        shell.Fail(said);
        return false;
    }
    QString reason;
    if (!Keyring::write(Keyring::keyFor(user, account.host), password.secret, &reason)) {
        shell.Fail(Text(Res::NoKeyring).arg(reason));
        return false;
    }
    account.store(settings);
    shell.Inform(Text(Res::LoginKept).arg(account.hostAndPort(), user));
    return true;
}
