#include "mail/AutoconfigSearch.h"

#include "core/ComponentError.h"
#include "core/StringTable.h"
#include "core/Version.h"
#include "mail/Autoconfig.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

AutoconfigSearch::AutoconfigSearch(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        timedOut_ = true;
        if (reply_)
            reply_->abort();
    });
}

AutoconfigSearch::~AutoconfigSearch() {
    cancel();
}

void AutoconfigSearch::start(const QList<QUrl>& urls, const QString& address) {
    cancel();
    urls_ = urls;
    address_ = address;
    reasons_.clear();
    next();
}

void AutoconfigSearch::cancel() {
    timer_.stop();
    urls_.clear();
    if (QNetworkReply* reply = reply_) {
        reply_ = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

QStringList AutoconfigSearch::stop(const QString& reason) {
    if (reply_)
        reasons_ << QStringLiteral("%1: %2").arg(urls_.first().toString(QUrl::RemoveQuery), reason);
    cancel();
    return reasons_;
}

void AutoconfigSearch::next() {
    if (urls_.isEmpty()) {
        emit notFound(reasons_);
        return;
    }
    const QUrl url = urls_.first();
    if (url.scheme() != QLatin1String("https")) {
        give(Text(Res::AutoconfigNotHttps));
        return;
    }
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(3);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Brevimo/%1").arg(VersionText()));
    if (!authorities_.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(authorities_);
        request.setSslConfiguration(tls);
    }
    timedOut_ = tooLarge_ = false;
    reply_ = network_.get(request);
    connect(reply_, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if ((received > kAutoconfigMaxBytes || total > kAutoconfigMaxBytes) && reply_) {
            tooLarge_ = true;
            reply_->abort();
        }
    });
    connect(reply_, &QNetworkReply::finished, this, &AutoconfigSearch::finished);
    timer_.start(timeoutMs_);
}

void AutoconfigSearch::finished() {
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    timer_.stop();
    reply->deleteLater();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (timedOut_)
        return give(Text(Res::LookupNoAnswer).arg(QString::number(timeoutMs_ / 1000.0)));
    if (tooLarge_)
        return give(Text(Res::AutoconfigTooLarge).arg(kAutoconfigMaxBytes / 1024));
    if (reply->error() == QNetworkReply::InsecureRedirectError)
        return give(Text(Res::AutoconfigInsecureRedirect));
    if (status.isValid() && status.toInt() != 200)
        return give(
            QStringLiteral("HTTP %1 %2")
                .arg(status.toString(), reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString()));
    if (reply->error() != QNetworkReply::NoError)
        return give(reply->errorString());
    const QByteArray file = reply->read(kAutoconfigMaxBytes + 1);
    if (file.size() > kAutoconfigMaxBytes)
        return give(Text(Res::AutoconfigTooLarge).arg(kAutoconfigMaxBytes / 1024));
    try {
        FoundServer server = AutoconfigServer(file, address_);
        server.source = Text(Res::SourceAutoconfig).arg(reply->url().toString(QUrl::RemoveQuery));
        urls_.clear();
        emit found(server);
    } catch (const ComponentError& e) {
        give(e.description());
    }
}

// Notes what the current URL gave and goes on with the next.
void AutoconfigSearch::give(const QString& reason) {
    reasons_ << QStringLiteral("%1: %2").arg(urls_.takeFirst().toString(QUrl::RemoveQuery), reason);
    next();
}
