#include "mail/MailProviders.h"

#include "core/StringTable.h"

#include <initializer_list>

namespace {

struct Provider {
    std::initializer_list<const char*> domains; // a leading dot: that domain's subdomains
    const char* host;
    int port;
    const char* security;
    const char* login;
};

// The submission servers as the providers publish them. Google and Microsoft prefer OAuth2 sign-in; the others
// take the account's password (or an app password made for the program).
const Provider kProviders[] = {
    {{"gmail.com", "googlemail.com"}, "smtp.gmail.com", 465, "tls", "oauth2"},
    {{"outlook.com", "outlook.de", "outlook.fr", "outlook.it", "outlook.es", "hotmail.com", "hotmail.co.uk",
      "hotmail.de", "hotmail.fr", "hotmail.it", "hotmail.es", "live.com", "live.co.uk", "live.de", "live.fr", "live.it",
      "msn.com", "passport.com"},
     "smtp-mail.outlook.com",
     587,
     "starttls",
     "oauth2"},
    {{".onmicrosoft.com"}, "smtp.office365.com", 587, "starttls", "oauth2"},
    {{"yahoo.com", "yahoo.co.uk", "yahoo.de", "yahoo.fr", "yahoo.it", "yahoo.es", "yahoo.ca", "yahoo.com.au",
      "ymail.com", "rocketmail.com"},
     "smtp.mail.yahoo.com",
     465,
     "tls",
     "password"},
    {{"icloud.com", "me.com", "mac.com"}, "smtp.mail.me.com", 587, "starttls", "password"},
    {{"gmx.de", "gmx.net", "gmx.at", "gmx.ch"}, "mail.gmx.net", 587, "starttls", "password"},
    {{"gmx.com", "gmx.co.uk", "gmx.fr", "gmx.es", "gmx.us"}, "mail.gmx.com", 587, "starttls", "password"},
    {{"web.de"}, "smtp.web.de", 587, "starttls", "password"},
    {{"posteo.de", "posteo.net", "posteo.eu", "posteo.at", "posteo.ch", "posteo.org", "posteo.me", "posteo.us"},
     "posteo.de",
     587,
     "starttls",
     "password"},
    {{"mailbox.org"}, "smtp.mailbox.org", 465, "tls", "password"},
    {{"fastmail.com", "fastmail.fm", "fastmail.net", "fastmail.org", "fastmail.us"},
     "smtp.fastmail.com",
     465,
     "tls",
     "password"},
    {{"aol.com", "aim.com"}, "smtp.aol.com", 465, "tls", "password"},
    {{"zoho.com", "zohomail.com"}, "smtp.zoho.com", 465, "tls", "password"},
    {{"zoho.eu", "zohomail.eu"}, "smtp.zoho.eu", 465, "tls", "password"},
    {{"zoho.in", "zohomail.in"}, "smtp.zoho.in", 465, "tls", "password"},
};

bool serves(const Provider& provider, const QString& domain) {
    for (const char* d : provider.domains) {
        const QString name = QString::fromLatin1(d);
        if (name.startsWith(u'.') ? domain.endsWith(name) && domain.size() > name.size() : domain == name)
            return true;
    }
    return false;
}

} // namespace

std::optional<FoundServer> ProviderServer(const QString& domain) {
    for (const Provider& p : kProviders)
        if (serves(p, domain))
            return FoundServer{QString::fromLatin1(p.host),     p.port,
                               QString::fromLatin1(p.security), QString::fromLatin1(p.login),
                               Text(Res::SourceProviderList),   {}};
    return std::nullopt;
}
