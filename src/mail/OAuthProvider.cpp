#include "mail/OAuthProvider.h"

#include "core/JobError.h"
#include "core/StringTable.h"
#include "mail/MailAccount.h"
#include "mail/MailProviders.h"
#include "settings/Settings.h"

#include <QHostAddress>
#include <QUrl>

#ifndef BREVIMO_GOOGLE_CLIENT_ID
#define BREVIMO_GOOGLE_CLIENT_ID ""
#endif
#ifndef BREVIMO_GOOGLE_CLIENT_SECRET
#define BREVIMO_GOOGLE_CLIENT_SECRET ""
#endif
#ifndef BREVIMO_MICROSOFT_CLIENT_ID
#define BREVIMO_MICROSOFT_CLIENT_ID ""
#endif

namespace {

struct Preset {
    const char* name;
    std::initializer_list<const char*> servers;
    const char* authorizeUrl;
    const char* tokenUrl;
    const char* scope;
    const char* clientId; // the build's; a distributor registers the program with the provider
    const char* clientSecret;
};

// Google's "secret" of an installed application is no secret (RFC 8252 8.5), but its token endpoint wants it.
const Preset kPresets[] = {
    {"Google",
     {"smtp.gmail.com", "smtp.googlemail.com"},
     "https://accounts.google.com/o/oauth2/v2/auth",
     "https://oauth2.googleapis.com/token",
     "https://mail.google.com/",
     BREVIMO_GOOGLE_CLIENT_ID,
     BREVIMO_GOOGLE_CLIENT_SECRET},
    {"Microsoft",
     {"smtp.office365.com", "smtp-mail.outlook.com", "outlook.office365.com"},
     "https://login.microsoftonline.com/common/oauth2/v2.0/authorize",
     "https://login.microsoftonline.com/common/oauth2/v2.0/token",
     "https://outlook.office.com/SMTP.Send offline_access",
     BREVIMO_MICROSOFT_CLIENT_ID,
     ""},
};

const Preset* presetServing(const QString& server) {
    for (const Preset& p : kPresets)
        for (const char* s : p.servers)
            if (server.compare(QLatin1String(s), Qt::CaseInsensitive) == 0)
                return &p;
    return nullptr;
}

// The server first: a company's own domain may be served by either provider.
const Preset* presetFor(const MailAccount& account, const QString& address) {
    if (const Preset* p = presetServing(account.host.trimmed()))
        return p;
    const QString domain = address.section(u'@', -1).trimmed().toLower();
    if (!address.contains(u'@') || domain.isEmpty())
        return nullptr;
    const auto known = ProviderServer(domain);
    return known ? presetServing(known->host) : nullptr;
}

} // namespace

QString EndpointProblem(const QString& url) {
    const QUrl u(url.trimmed(), QUrl::StrictMode);
    if (!u.isValid() || u.host().isEmpty())
        return Text(Res::OAuthBadEndpoint).arg(url);
    // Plain http only to this machine (the tests' server, a local proxy): tokens never cross a network unencrypted.
    const bool loopback = QHostAddress(u.host()).isLoopback();
    if (u.scheme() == u"https" || (u.scheme() == u"http" && loopback))
        return {};
    return Text(Res::OAuthBadEndpoint).arg(url);
}

OAuthProvider OAuthProviderFor(const MailAccount& account, const QString& address, Settings& settings) {
    OAuthProvider provider;
    const Preset* preset = presetFor(account, address);
    if (preset) {
        provider = {QString::fromLatin1(preset->name),     QString::fromLatin1(preset->authorizeUrl),
                    QString::fromLatin1(preset->tokenUrl), QString::fromLatin1(preset->scope),
                    QString::fromLatin1(preset->clientId), QString::fromLatin1(preset->clientSecret)};
    }
    const QString authorizeUrl = settings.OAuthAuthorizeUrl().trimmed();
    const QString tokenUrl = settings.OAuthTokenUrl().trimmed();
    const QString scope = settings.OAuthScope().trimmed();
    if (!authorizeUrl.isEmpty()) {
        provider.authorizeUrl = authorizeUrl;
        provider.name = QUrl(authorizeUrl).host();
    }
    if (!tokenUrl.isEmpty())
        provider.tokenUrl = tokenUrl;
    if (!scope.isEmpty())
        provider.scope = scope;
    if (provider.authorizeUrl.isEmpty() || provider.tokenUrl.isEmpty())
        throw JobError(Text(Res::OAuthNoProvider).arg(account.host, settings.Location()));
    const std::pair<const char*, QString> endpoints[] = {{"OAuthAuthorizeUrl", provider.authorizeUrl},
                                                         {"OAuthTokenUrl", provider.tokenUrl}};
    for (const auto& [key, url] : endpoints)
        if (const QString why = EndpointProblem(url); !why.isEmpty())
            throw JobError(Text(Res::BadMailSetting).arg(QLatin1String(key), settings.Location(), why));
    // A client id of the user's own comes with its own secret, never the build's.
    if (const QString id = settings.OAuthClientId().trimmed(); !id.isEmpty()) {
        provider.clientId = id;
        provider.clientSecret = settings.OAuthClientSecret();
    }
    if (provider.clientId.isEmpty())
        throw JobError(Text(Res::OAuthNoClientId).arg(provider.name, settings.Location()));
    return provider;
}
