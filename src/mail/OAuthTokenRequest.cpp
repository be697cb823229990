#include "mail/OAuthTokenRequest.h"

#include "core/JobError.h"
#include "core/StringTable.h"
#include "mail/CurlHandle.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>

#include <algorithm>

namespace {

constexpr long kWaitSeconds = 30;
constexpr qsizetype kLargestAnswer = 64 * 1024; // a token answer is a few KB; more is not one

size_t collect(char* data, size_t size, size_t count, void* userData) {
    auto* body = static_cast<QByteArray*>(userData);
    if (body->size() + static_cast<qsizetype>(size * count) > kLargestAnswer)
        return 0; // ends the transfer
    body->append(data, static_cast<qsizetype>(size * count));
    return size * count;
}

// expires_in as the token is kept: unsaid is 0; a value that is no positive number counts as expired at once, and
// none is trusted past a day (nor overflows a clock).
qint64 lifetimeOf(const QJsonValue& value) {
    if (value.isUndefined() || value.isNull())
        return 0;
    const double seconds = value.isString() ? value.toString().toDouble() : value.toDouble();
    if (!(seconds >= 1))
        return 1;
    return static_cast<qint64>(std::min(seconds, 86400.0));
}

QString formText(const QList<QPair<QString, QString>>& form) {
    QStringList pairs;
    for (const auto& [name, value] : form)
        pairs << QString::fromLatin1(QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value));
    return pairs.join(u'&');
}

} // namespace

TokenAnswer RequestTokens(const QString& tokenUrl, const QString& providerName,
                          const QList<QPair<QString, QString>>& form) {
    const CurlPtr curl(curl_easy_init());
    if (!curl)
        throw JobError(Text(Res::OAuthNoAnswer).arg(providerName, QStringLiteral("libcurl cannot start")));
    CURL* c = curl.get();
    const QByteArray url = tokenUrl.toUtf8();
    const QByteArray body = formText(form).toLatin1();
    QByteArray answer;
    char errors[CURL_ERROR_SIZE] = {};
    const SlistPtr headers(curl_slist_append(nullptr, "Accept: application/json"));
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.constData());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errors);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, kWaitSeconds);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L); // on any thread
    curl_easy_setopt(c, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    TrustCertificates(c); // as for the mail server
    const CURLcode result = curl_easy_perform(c);
    if (result != CURLE_OK) {
        const QString why = QString::fromUtf8(*errors ? errors : curl_easy_strerror(result));
        throw JobError(Text(Res::OAuthNoAnswer).arg(providerName, why));
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    const QJsonObject json = QJsonDocument::fromJson(answer).object();
    TokenAnswer tokens;
    tokens.error = json.value(u"error").toString();
    tokens.description = json.value(u"error_description").toString();
    if (status == 200 && tokens.error.isEmpty()) {
        tokens.accessToken = json.value(u"access_token").toString();
        tokens.refreshToken = json.value(u"refresh_token").toString();
        // The token goes into the SASL message between ^A separators: printable ASCII only (RFC 6750 2.1).
        const bool printable = std::all_of(tokens.accessToken.cbegin(), tokens.accessToken.cend(),
                                           [](QChar ch) { return ch.unicode() > 0x20 && ch.unicode() < 0x7f; });
        if (tokens.accessToken.isEmpty() || !printable)
            throw JobError(Text(Res::OAuthNoAnswer).arg(providerName, Text(Res::OAuthAnswerNoToken).arg(status)));
        // Another kind (mac, DPoP) would be refused by the mail server as a bearer, or worse, taken by mistake.
        const QString type = json.value(u"token_type").toString();
        if (type.compare(QStringLiteral("Bearer"), Qt::CaseInsensitive) != 0)
            throw JobError(Text(Res::OAuthNoAnswer).arg(providerName, Text(Res::OAuthAnswerNotBearer).arg(type)));
        tokens.expiresIn = lifetimeOf(json.value(u"expires_in"));
        return tokens;
    }
    if (!tokens.error.isEmpty())
        return tokens;
    throw JobError(Text(Res::OAuthNoAnswer).arg(providerName, QStringLiteral("HTTP %1").arg(status)));
}
