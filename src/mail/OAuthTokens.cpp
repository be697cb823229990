#include "mail/OAuthTokens.h"

#include "core/StringTable.h"
#include "mail/Keyring.h"
#include "mail/MailAccount.h"
#include "mail/OAuthProvider.h"
#include "mail/OAuthTokenRequest.h"
#include "settings/Settings.h"

#include <chrono>
#include <map>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kLeftAtLeast = std::chrono::seconds(60);

struct Access {
    QString token;
    Clock::time_point expiry;
};

// Access tokens live in memory only, for this run.
std::mutex accessMutex;
std::map<QString, Access> accessTokens;

QString accessKey(const OAuthProvider& provider, const QString& user) {
    return provider.tokenUrl + u' ' + provider.clientId + u' ' + user;
}

void keepAccess(const OAuthProvider& provider, const QString& user, const TokenAnswer& answer) {
    // An answer without expires_in gets an hour, the providers' usual lifetime; a refused token renews it anyway.
    const auto lifetime = std::chrono::seconds(answer.expiresIn > 0 ? answer.expiresIn : 3600);
    const std::lock_guard lock(accessMutex);
    accessTokens[accessKey(provider, user)] = {answer.accessToken, Clock::now() + lifetime};
}

QString keptAccess(const OAuthProvider& provider, const QString& user) {
    const std::lock_guard lock(accessMutex);
    const auto it = accessTokens.find(accessKey(provider, user));
    return it != accessTokens.end() && it->second.expiry - Clock::now() > kLeftAtLeast ? it->second.token : QString();
}

} // namespace

QString RefreshTokenKey(const QString& user, const OAuthProvider& provider) {
    return QStringLiteral("oauth2:%1 %2").arg(user, provider.tokenUrl);
}

bool KeepTokens(const OAuthProvider& provider, const QString& user, const TokenAnswer& answer, QString* reason) {
    keepAccess(provider, user, answer);
    return answer.refreshToken.isEmpty() ||
           Keyring::write(RefreshTokenKey(user, provider), answer.refreshToken, reason);
}

QString BrowserAccessToken(const MailAccount& account, const QString& user, Settings& settings, bool renew) {
    const QString address = settings.FromEMailAddress().contains(u'@') ? settings.FromEMailAddress() : user;
    const OAuthProvider provider = OAuthProviderFor(account, address, settings);
    if (!renew)
        if (QString token = keptAccess(provider, user); !token.isEmpty())
            return token;
    const Keyring::Answer kept = Keyring::read(RefreshTokenKey(user, provider));
    if (kept.status == Keyring::Status::NotFound)
        throw SignInNeeded(Text(Res::OAuthNotSignedIn).arg(user, provider.name));
    if (kept.status == Keyring::Status::Unavailable)
        throw JobError(Text(Res::OAuthNoKeyring).arg(user, provider.name, kept.reason));
    QList<QPair<QString, QString>> form = {{QStringLiteral("grant_type"), QStringLiteral("refresh_token")},
                                           {QStringLiteral("refresh_token"), kept.password},
                                           {QStringLiteral("client_id"), provider.clientId}};
    if (!provider.clientSecret.isEmpty())
        form.append({QStringLiteral("client_secret"), provider.clientSecret});
    const TokenAnswer answer = RequestTokens(provider.tokenUrl, provider.name, form);
    if (answer.error == u"invalid_grant")
        throw SignInNeeded(Text(Res::OAuthSignInAgain).arg(provider.name, user, answer.description));
    if (!answer.error.isEmpty())
        throw JobError(Text(Res::OAuthRefused).arg(provider.name, answer.error, answer.description));
    // A rotated refresh token replaces the kept one. Should the keyring not take it, the access token still serves
    // this run; the next one meets invalid_grant and asks for the sign-in.
    QString reason;
    KeepTokens(provider, user, answer, &reason);
    return answer.accessToken;
}

QString StoredAccountAccessToken(Settings& settings) {
    const MailAccount account = MailAccount::FromSettings(settings);
    return BrowserAccessToken(account, account.userOr(settings.FromEMailAddress()), settings, false);
}
