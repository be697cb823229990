#include "mail/OAuthTokens.h"

#include "core/StringTable.h"
#include "settings/Settings.h"

QString BrowserAccessToken(const MailAccount&, const QString&, Settings& settings, bool) {
    throw SignInNeeded(Text(Res::OAuth2NotOffered).arg(settings.Location()));
}
