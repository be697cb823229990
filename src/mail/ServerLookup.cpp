#include "mail/ServerLookup.h"

#include "core/StringTable.h"
#include "mail/AutoconfigSearch.h"
#include "mail/DomainName.h"
#include "mail/MailProviders.h"
#include "mail/SubmissionSrv.h"

#include <QUrl>
#include <QUrlQuery>

namespace {

QString seconds(int milliseconds) {
    return QString::number(milliseconds / 1000.0);
}

} // namespace

ServerLookup::ServerLookup(QObject* parent)
    : QObject(parent), autoconfig_(new AutoconfigSearch(this)),
      dns_(new SubmissionSrv(this)), urlTemplates_{
                                         QStringLiteral("https://autoconfig.%1/mail/config-v1.1.xml"),
                                         QStringLiteral("https://%1/.well-known/autoconfig/mail/config-v1.1.xml")} {
    whole_.setSingleShot(true);
    connect(&whole_, &QTimer::timeout, this, [this] {
        const QString late = Text(Res::LookupNoAnswer).arg(seconds(wholeMs_));
        if (fileState_ == State::Searching) {
            fileReasons_ = autoconfig_->stop(late);
            fileState_ = State::NotFound;
        }
        if (dnsState_ == State::Searching) {
            dnsReasons_ = dns_->stop(late);
            dnsState_ = State::NotFound;
        }
        decide();
    });
    connect(autoconfig_, &AutoconfigSearch::found, this, [this](const FoundServer& server) {
        fileState_ = State::Found;
        fileServer_ = server;
        decide();
    });
    connect(autoconfig_, &AutoconfigSearch::notFound, this, [this](const QStringList& reasons) {
        fileState_ = State::NotFound;
        fileReasons_ = reasons;
        decide();
    });
    connect(dns_, &SubmissionSrv::found, this, [this](const FoundServer& server) {
        dnsState_ = State::Found;
        dnsServer_ = server;
        decide();
    });
    connect(dns_, &SubmissionSrv::notFound, this, [this](const QStringList& reasons) {
        dnsState_ = State::NotFound;
        dnsReasons_ = reasons;
        decide();
    });
}

ServerLookup::~ServerLookup() {
    cancel();
}

void ServerLookup::setCaCertificates(const QList<QSslCertificate>& certificates) {
    autoconfig_->setCaCertificates(certificates);
}

void ServerLookup::setResolver(std::unique_ptr<SrvResolver> resolver) {
    dns_->setResolver(std::move(resolver));
}

void ServerLookup::setTimeouts(int stepMilliseconds, int wholeMilliseconds) {
    autoconfig_->setTimeout(stepMilliseconds);
    dns_->setTimeout(stepMilliseconds);
    wholeMs_ = wholeMilliseconds;
}

void ServerLookup::start(const QString& address) {
    cancel();
    active_ = true;
    address_ = address.trimmed();
    const qsizetype at = address_.lastIndexOf(u'@');
    const QString domain = at > 0 ? AceDomainName(address_.mid(at + 1)) : QString();
    if (domain.isEmpty())
        return finish(std::nullopt, Text(Res::LookupNoDomain).arg(address_));
    if (const auto known = ProviderServer(domain))
        return finish(known);

    fileState_ = dnsState_ = State::Searching;
    fileReasons_.clear();
    dnsReasons_.clear();
    whole_.start(wholeMs_);
    QList<QUrl> urls;
    for (const QString& t : urlTemplates_) {
        QUrl url(t.arg(domain));
        // As mail clients ask: a server that makes the file for each address needs it.
        url.setQuery(QUrlQuery{{QStringLiteral("emailaddress"), address_}});
        urls << url;
    }
    dns_->start(domain);
    autoconfig_->start(urls, address_);
}

void ServerLookup::cancel() {
    ++run_;
    active_ = false;
    whole_.stop();
    autoconfig_->cancel();
    dns_->cancel();
}

// The autoconfig file goes before DNS: it is the domain's own word, fetched over a checked HTTPS connection.
void ServerLookup::decide() {
    if (fileState_ == State::Found)
        return finish(fileServer_);
    if (fileState_ == State::Searching || dnsState_ == State::Searching)
        return;
    if (dnsState_ == State::Found)
        return finish(dnsServer_);
    QStringList lines;
    for (const QString& reason : fileReasons_ + dnsReasons_)
        lines << QStringLiteral("- ") + reason;
    finish(std::nullopt, Text(Res::LookupNothingFound).arg(address_, lines.join(u'\n')));
}

void ServerLookup::finish(const std::optional<FoundServer>& server, const QString& why) {
    if (!active_)
        return;
    active_ = false;
    whole_.stop();
    autoconfig_->cancel();
    dns_->cancel();
    // Later from the event loop, so that a caller never gets the answer inside start().
    QMetaObject::invokeMethod(
        this,
        [this, run = run_, server, why] {
            if (run != run_)
                return;
            if (server)
                emit found(*server);
            else
                emit notFound(why);
        },
        Qt::QueuedConnection);
}
