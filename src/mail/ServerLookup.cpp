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
        if (fileStep_.state == Step::State::Searching)
            fileStep_ = {Step::State::NotFound, {}, autoconfig_->stop(late)};
        if (dnsStep_.state == Step::State::Searching)
            dnsStep_ = {Step::State::NotFound, {}, dns_->stop(late)};
        decide();
    });
    follow(autoconfig_, fileStep_);
    follow(dns_, dnsStep_);
}

template <typename Search> void ServerLookup::follow(Search* search, Step& step) {
    connect(search, &Search::found, this, [this, &step](const FoundServer& server) {
        step = {Step::State::Found, server, {}};
        decide();
    });
    connect(search, &Search::notFound, this, [this, &step](const QStringList& reasons) {
        step = {Step::State::NotFound, {}, reasons};
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

    fileStep_ = dnsStep_ = Step{};
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
    if (fileStep_.state == Step::State::Found)
        return finish(fileStep_.server);
    if (fileStep_.state == Step::State::Searching || dnsStep_.state == Step::State::Searching)
        return;
    if (dnsStep_.state == Step::State::Found)
        return finish(dnsStep_.server);
    QStringList lines;
    for (const QString& reason : fileStep_.reasons + dnsStep_.reasons)
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
