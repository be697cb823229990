// The browser sign-in against a real OAuth2 server on the loopback, a stand-in browser on PATH and the real keyring.

#include "core/JobError.h"
#include "mail/Keyring.h"
#include "mail/MailAccount.h"
#include "mail/OAuthBrowserSignIn.h"
#include "mail/OAuthProvider.h"
#include "mail/OAuthTokens.h"
#include "support/JobTest.h"
#include "support/OAuthServer.h"
#include "support/Peers.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

namespace {

class OAuth : public JobTest {
protected:
    // An account whose sign-in goes to the server; extra: more settings lines.
    void account(const OAuthServer& server, const QString& user, const QString& extra = {}) {
        store.values.clear();
        store.set(u"FromEMailAddress="_qs + user +
                  u"\nHost=mail.example.org\nLogin=oauth2\nOAuthClientId=test-client\nOAuthAuthorizeUrl="_qs +
                  server.authorizeUrl() + u"\nOAuthTokenUrl="_qs + server.tokenUrl() + extra);
    }
    OAuthProvider provider(const QString& user) {
        Settings fresh(store, u"/opt/brevimo"_qs, [] { return false; });
        return OAuthProviderFor(MailAccount::FromSettings(fresh), user, fresh);
    }
    // The sign-in to its end: its error, empty when it kept the tokens. cancelAfterMs: the user clicks Cancel then;
    // byHand: the user opens the page shown, there being no xdg-open.
    QString signIn(const QString& user, int timeLimitMs = 20000, int cancelAfterMs = -1,
                   const OAuthServer* byHand = nullptr) {
        OAuthBrowserSignIn flow(provider(user), user);
        flow.setTimeLimit(timeLimitMs);
        QEventLoop loop;
        bool done = false;
        QObject::connect(&flow, &OAuthBrowserSignIn::finished, &loop, [&] {
            done = true;
            loop.quit();
        });
        if (cancelAfterMs >= 0)
            QTimer::singleShot(cancelAfterMs, &flow, &OAuthBrowserSignIn::cancel);
        flow.start();
        if (byHand && !done)
            byHand->openByHand(flow.authorizeUrl());
        if (!done)
            loop.exec();
        return flow.error();
    }
    QString token(const QString& user, bool renew, bool onJobThread = false) {
        Settings fresh(store, u"/opt/brevimo"_qs, [] { return false; });
        const auto call = [&] {
            try {
                return BrowserAccessToken(MailAccount::FromSettings(fresh), user, fresh, renew);
            } catch (const JobError& e) {
                return (dynamic_cast<const SignInNeeded*>(&e) ? u"SignInNeeded: "_qs : u"JobError: "_qs) + e.message();
            }
        };
        if (!onJobThread)
            return call();
        // The keyring answers on this thread while the job's thread waits for it.
        QString answer;
        std::unique_ptr<QThread> worker(QThread::create([&] { answer = call(); }));
        QEventLoop loop;
        QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
        worker->start();
        loop.exec();
        worker->wait();
        return answer;
    }
    QString keptRefreshToken(const QString& user) {
        const Keyring::Answer kept = Keyring::read(RefreshTokenKey(user, provider(user)));
        return kept.status == Keyring::Status::Found ? kept.password : QString();
    }
    bool storeHolds(const QString& text) const {
        return std::any_of(store.values.begin(), store.values.end(),
                           [&](const auto& v) { return v.second.contains(text); });
    }

    int argc = 1;
    char name[16] = "test_mail";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

TEST(OAuthProviders, PickedFromTheServerOrTheAddress) {
    const std::tuple<const char*, const char*> cases[] = {
        // settings, the provider's "name authorize token scope client secret" or the start of the error
        {"FromEMailAddress=jo@gmail.com\nHost=smtp.gmail.com\nOAuthClientId=cid",
         "Google https://accounts.google.com/o/oauth2/v2/auth https://oauth2.googleapis.com/token "
         "https://mail.google.com/ cid "},
        // The server wins over the address's domain: a company's mail at Microsoft 365.
        {"FromEMailAddress=jo@company.example\nHost=smtp.office365.com\nOAuthClientId=m",
         "Microsoft https://login.microsoftonline.com/common/oauth2/v2.0/authorize "
         "https://login.microsoftonline.com/common/oauth2/v2.0/token https://outlook.office.com/SMTP.Send "
         "offline_access m "},
        {"FromEMailAddress=jo@contoso.onmicrosoft.com\nHost=mail.contoso.example\nOAuthClientId=m", "Microsoft * m "},
        {"FromEMailAddress=jo@hotmail.com\nOAuthClientId=m\nOAuthClientSecret=s", "Microsoft * m s"},
        // The keys that are set win over the preset.
        {"FromEMailAddress=jo@gmail.com\nOAuthClientId=c\nOAuthAuthorizeUrl=https://id.example/a\n"
         "OAuthTokenUrl=https://id.example/t\nOAuthScope=smtp",
         "id.example https://id.example/a https://id.example/t smtp c "},
        {"FromEMailAddress=jo@example.org\nOAuthClientId=c\nOAuthAuthorizeUrl=http://[::1]:8080/a\n"
         "OAuthTokenUrl=http://127.0.0.1:8080/t",
         "::1 http://[::1]:8080/a http://127.0.0.1:8080/t  c "},
        {"FromEMailAddress=jo@example.org\nHost=mail.example.org\nOAuthClientId=c",
         "Brevimo does not know how to sign in to 'mail.example.org'*GNOME Online Accounts*TokenCommand*"},
        {"FromEMailAddress=jo@gmail.com",
         "This build of Brevimo has no client id for the sign-in with Google. Set OAuthClientId*GNOME Online "
         "Accounts*oama*"},
        // Tokens never cross a network unencrypted.
        {"FromEMailAddress=jo@gmail.com\nOAuthClientId=c\nOAuthTokenUrl=http://id.example/t",
         "The mail setting OAuthTokenUrl in memory cannot be used: 'http://id.example/t' cannot be*"},
        {"FromEMailAddress=jo@example.org\nOAuthClientId=c\nOAuthAuthorizeUrl=http://localhost:8080/a\n"
         "OAuthTokenUrl=https://id.example/t",
         "The mail setting OAuthAuthorizeUrl in memory cannot be used*"},
    };
    for (const auto& [lines, expected] : cases) {
        SCOPED_TRACE(lines);
        MemoryStore store;
        store.set(QString::fromUtf8(lines));
        Settings settings(store, u"/opt/brevimo"_qs, [] { return false; });
        QString got;
        try {
            const OAuthProvider p =
                OAuthProviderFor(MailAccount::FromSettings(settings), settings.FromEMailAddress(), settings);
            got = QStringList{p.name, p.authorizeUrl, p.tokenUrl, p.scope, p.clientId, p.clientSecret}.join(u' ');
        } catch (const JobError& e) {
            got = e.message();
        }
        EXPECT_TRUE(Matches(got, QString::fromUtf8(expected))) << got.toStdString();
    }
}

// Each way the browser sign-in ends: what the user is told, the server's log, the kept refresh token.
TEST_F(OAuth, BrowserSignInEnds) {
    SecretService keyring;
    ASSERT_TRUE(keyring.running()) << keyring.whyNot().toStdString();
    const std::tuple<const char*, const char*, int, int, int, const char*, const char*> cases[] = {
        // server options, more settings, times the browser asks for the redirect (less than 0: opened by hand, there
        // being no xdg-open), time limit, Cancel after (ms), told, requests
        {"", "", 1, 20000, -1, "", "authorize code|token authorization_code ok"},
        {"--client-secret s3", "\nOAuthClientSecret=s3", 1, 20000, -1, "",
         "authorize code|token authorization_code ok"},
        {"--client-secret s3", "\nOAuthClientSecret=wrong", 1, 20000, -1,
         "127.0.0.1 refused the sign-in: invalid_client*", "authorize code|token authorization_code invalid_client"},
        {"--wrong-state", "", 1, 20000, -1, "*does not belong to this sign-in with 127.0.0.1 (its state differs)*",
         "authorize code"},
        {"--deny", "", 1, 20000, -1, "Brevimo was not allowed to send mail with 127.0.0.1*", "authorize access_denied"},
        {"--scope smtp.send", "\nOAuthScope=read", 1, 20000, -1, "127.0.0.1 refused the sign-in: invalid_scope*",
         "authorize invalid_scope"},
        {"", "", 0, 20000, 300, "The sign-in was cancelled; nothing was kept.", ""},
        {"", "", 0, 600, -1, "No sign-in with 127.0.0.1 came from the browser within 0.01 minutes*", ""},
        // A second request for the redirect is answered, and the code is exchanged once.
        {"", "", 2, 20000, -1, "", "authorize code|token authorization_code ok"},
        {"", "", -1, 20000, -1, "", "authorize code|token authorization_code ok"},
        // Only a bearer token is one.
        {"--token-type bearer", "", 1, 20000, -1, "", "authorize code|token authorization_code ok"},
        {"--token-type mac", "", 1, 20000, -1, "The sign-in with 127.0.0.1 failed: it gave a token of type 'mac'*",
         "authorize code|token authorization_code ok"},
        {"--omit token_type", "", 1, 20000, -1, "The sign-in with 127.0.0.1 failed: it gave a token of type ''*",
         "authorize code|token authorization_code ok"},
        {"--omit access_token", "", 1, 20000, -1,
         "The sign-in with 127.0.0.1 failed: its answer (HTTP 200) holds no usable access token",
         "authorize code|token authorization_code ok"},
    };
    int n = 0;
    for (const auto& [options, extra, visits, limit, cancelAfter, told, requests] : cases) {
        SCOPED_TRACE(options + std::string(" ") + extra + std::to_string(visits));
        OAuthServer server(QString::fromUtf8(options).split(u' ', Qt::SkipEmptyParts));
        ASSERT_TRUE(server.running());
        const int asks = std::abs(visits);
        const bool follows = asks > 0;
        ScopedEnv follow("XDG_OPEN_FOLLOW", follows ? "1" : "0");
        ScopedEnv twice("XDG_OPEN_TWICE", asks > 1 ? "1" : "0");
        ScopedEnv noBrowser("PATH", visits < 0 ? "/nonexistent" : qgetenv("PATH"));
        const QString user = u"jo%1@example.org"_qs.arg(++n);
        account(server, user, QString::fromUtf8(extra));
        const QString error = signIn(user, limit, cancelAfter, visits < 0 ? &server : nullptr);
        EXPECT_TRUE(Matches(error, QString::fromUtf8(told))) << error.toStdString();
        EXPECT_EQ(server.requests().join(u'|'), QString::fromUtf8(requests));
        const QString kept = keptRefreshToken(user);
        EXPECT_EQ(kept.startsWith(u"rt-"_qs), !*told) << kept.toStdString();
        EXPECT_FALSE(storeHolds(u"rt-"_qs) || storeHolds(u"at-"_qs)); // tokens never go into a settings file
        // The browser's tab says how it went, and the one answer closed the loopback server; a second request for it
        // was told it changed nothing.
        const QStringList browser = follows ? server.browserLog() : QStringList();
        if (follows) {
            EXPECT_TRUE(
                server.lastPage().contains(*told ? error.left(20).toHtmlEscaped() : u"You can close this tab"_qs))
                << server.lastPage().toStdString();
        }
        const QStringList answers = browser.filter(QRegularExpression(u"^\\d{3} http://127.0.0.1:\\d+/\\?"_qs));
        EXPECT_EQ(answers.size(), asks) << browser.join(u'\n').toStdString();
        EXPECT_EQ(answers.filter(QRegularExpression(u"^409 "_qs)).size(), std::max(asks - 1, 0))
            << answers.join(u'\n').toStdString();
    }
}

// The access token after the sign-in: kept in memory, renewed near its expiry or when asked, and a refused refresh
// asks for the sign-in again.
TEST_F(OAuth, AccessTokensAfterTheSignIn) {
    SecretService keyring;
    ASSERT_TRUE(keyring.running()) << keyring.whyNot().toStdString();
    const std::tuple<const char*, bool, const char*, bool, bool, const char*, const char*> cases[] = {
        // server options, signed in, command, renew, on the job's thread, the two calls' tokens, requests after
        // the sign-in
        {"", true, "", false, false, "kept | kept", ""},
        {"", true, "", false, true, "kept | kept", ""},
        {"", true, "", true, false, "new | new", "token refresh_token ok|token refresh_token ok"},
        {"--expires-in 2", true, "expire", false, false, "new | new", "token refresh_token ok|token refresh_token ok"},
        {"--rotate", true, "", true, true, "new | new", "token refresh_token ok|token refresh_token ok"},
        // A lifetime that is unsaid is taken as an hour; a silly one is never trusted, nor overflows the clock.
        {"--omit expires_in", true, "", false, false, "kept | kept", ""},
        {"--expires-in -5", true, "", false, false, "new | new", "token refresh_token ok|token refresh_token ok"},
        {"--expires-in 10000000000", true, "", false, false, "kept | kept", ""},
        {"", true, "refuse-refresh", true, false,
         "SignInNeeded: 127.0.0.1 no longer takes the sign-in of *. Sign in again: run brevimo /login*",
         "token refresh_token invalid_grant|token refresh_token invalid_grant"},
        {"", false, "", false, true, "SignInNeeded: * has not signed in with 127.0.0.1 yet. Run brevimo /login*", ""},
    };
    int n = 0;
    for (const auto& [options, signedIn, command, renew, onJobThread, tokens, requests] : cases) {
        SCOPED_TRACE(options + std::string(" ") + command + (renew ? " renew" : ""));
        OAuthServer server(QString::fromUtf8(options).split(u' ', Qt::SkipEmptyParts));
        ASSERT_TRUE(server.running());
        const QString user = u"jo%1@example.org"_qs.arg(++n);
        account(server, user);
        if (signedIn) {
            ASSERT_EQ(signIn(user), u""_qs);
        }
        const QString refresh = keptRefreshToken(user);
        const int before = static_cast<int>(server.requests().size());
        if (*command) {
            ASSERT_TRUE(server.command(QString::fromUtf8(command)));
        }
        // The sign-in's own access token is the last one the server issued so far.
        const QString issued = QString::fromUtf8(ReadFile(server.folder() + u"/tokens"_qs))
                                   .split(u'\n', Qt::SkipEmptyParts)
                                   .value(0)
                                   .section(u' ', 0, 0);
        QStringList said;
        for (int call = 0; call < 2; ++call) {
            const QString got = token(user, renew, onJobThread);
            said << (got.startsWith(u"at-"_qs) ? (got == issued ? u"kept"_qs : u"new"_qs) : got);
        }
        EXPECT_TRUE(Matches(said.join(u" | "), QString::fromUtf8(tokens))) << said.join(u'\n').toStdString();
        EXPECT_EQ(server.requests().mid(before).join(u'|'), QString::fromUtf8(requests));
        // A rotated refresh token replaced the kept one (the server no longer takes the old).
        EXPECT_EQ(keptRefreshToken(user) != refresh, QByteArray(options) == "--rotate");
    }
}

// brevimo /login with Login=oauth2, the real program from a shell: the URL for the user, then the kept sign-in.
TEST_F(OAuth, LoginCommandSignsInInTheBrowser) {
    SecretService keyring;
    ASSERT_TRUE(keyring.running()) << keyring.whyNot().toStdString();
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        // server options, more settings, exit status, told
        {"", "", 0, "Signed in as jo@example.org with 127.0.0.1; the sign-in is kept in the keyring."},
        {"--deny", "", 1, "Brevimo was not allowed to send mail with 127.0.0.1*"},
        {"", "TokenCommand=oama access jo@example.org\n", 1,
         "Login=oauth2 in * takes its access tokens from TokenCommand, which needs no browser sign-in."},
    };
    for (const auto& [options, extra, status, told] : cases) {
        SCOPED_TRACE(options);
        OAuthServer server(QString::fromUtf8(options).split(u' ', Qt::SkipEmptyParts));
        ASSERT_TRUE(server.running());
        const QString conf = qEnvironmentVariable("XDG_CONFIG_HOME") + u"/Brevimo/Brevimo.conf"_qs;
        QFile::remove(conf);
        WriteFile(conf, "[General]\nFromEMailAddress=jo@example.org\nHost=mail.example.org\nLogin=oauth2\n" +
                            QByteArray(extra) + "OAuthClientId=test-client\nOAuthAuthorizeUrl=" +
                            server.authorizeUrl().toUtf8() + "\nOAuthTokenUrl=" + server.tokenUrl().toUtf8() + "\n");
        account(server, u"jo@example.org"_qs);
        QProcess login;
        login.start(QStringLiteral(BREVIMO_BINARY), {u"/login"_qs});
        login.closeWriteChannel();
        ASSERT_TRUE(login.waitForFinished(30000));
        const QString out = QString::fromUtf8(login.readAllStandardOutput() + login.readAllStandardError());
        EXPECT_EQ(login.exitCode(), status) << out.toStdString();
        EXPECT_TRUE(Matches(out, u"*"_qs + QString::fromUtf8(told) + u"*"_qs)) << out.toStdString();
        // The user also sees the page to open, for a browser on another screen.
        EXPECT_EQ(out.contains(server.authorizeUrl() + u"?response_type=code&client_id=test-client"_qs), !*extra);
        EXPECT_EQ(keptRefreshToken(u"jo@example.org"_qs).startsWith(u"rt-"_qs), status == 0);
        EXPECT_FALSE(ReadFile(conf).contains("rt-"));
    }
}

} // namespace
