#include "mail/SubmissionSrv.h"

#include "core/StringTable.h"
#include "mail/DomainName.h"

#include <QDnsLookup>

#include <optional>

namespace {

struct Service {
    const char* prefix;
    const char* security;
};
const Service kServices[] = {{"_submissions._tcp.", "tls"}, {"_submission._tcp.", "starttls"}};
constexpr int kServiceCount = 2;

class DnsSrvResolver : public SrvResolver {
public:
    void lookup(const QString& name, std::function<void(const SrvAnswer&)> answer) override {
        auto* dns = new QDnsLookup(QDnsLookup::SRV, name, this);
        QObject::connect(dns, &QDnsLookup::finished, this, [dns, answer = std::move(answer)] {
            dns->deleteLater();
            SrvAnswer a;
            if (dns->error() != QDnsLookup::NoError && dns->error() != QDnsLookup::NotFoundError)
                a.error = dns->errorString();
            for (const QDnsServiceRecord& r : dns->serviceRecords())
                a.records.append(SrvRecord{r.target(), r.port(), r.priority(), r.weight()});
            answer(a);
        });
        dns->lookup();
    }
    void cancel() override {
        for (QDnsLookup* dns : findChildren<QDnsLookup*>()) {
            dns->disconnect(this);
            dns->abort();
            dns->deleteLater();
        }
    }
};

// The record to use: the lowest priority, then the highest weight; nothing when none names a server.
std::optional<SrvRecord> chosen(const QList<SrvRecord>& records) {
    std::optional<SrvRecord> best;
    for (SrvRecord r : records) {
        r.target = AceDomainName(r.target);
        if (r.target.isEmpty() || r.port < 1 || r.port > 65535)
            continue;
        if (!best || r.priority < best->priority || (r.priority == best->priority && r.weight > best->weight))
            best = r;
    }
    return best;
}

} // namespace

std::unique_ptr<SrvResolver> SystemSrvResolver() {
    return std::make_unique<DnsSrvResolver>();
}

SubmissionSrv::SubmissionSrv(QObject* parent) : QObject(parent), resolver_(SystemSrvResolver()) {
    timer_.setSingleShot(true);
}

SubmissionSrv::~SubmissionSrv() {
    cancel();
}

void SubmissionSrv::setResolver(std::unique_ptr<SrvResolver> resolver) {
    cancel();
    resolver_ = std::move(resolver);
}

void SubmissionSrv::start(const QString& domain) {
    cancel();
    domain_ = domain;
    reasons_.clear();
    ask(0);
}

void SubmissionSrv::cancel() {
    asking_ = -1;
    timer_.stop();
    timer_.disconnect(this);
    resolver_->cancel();
}

QStringList SubmissionSrv::stop(const QString& reason) {
    if (asking_ >= 0)
        reasons_ << QStringLiteral("%1%2: %3").arg(QString::fromLatin1(kServices[asking_].prefix), domain_, reason);
    cancel();
    return reasons_;
}

void SubmissionSrv::ask(int which) {
    if (which == kServiceCount) {
        emit notFound(reasons_);
        return;
    }
    connect(&timer_, &QTimer::timeout, this, [this, which] {
        cancel();
        give(which, Text(Res::LookupNoAnswer).arg(QString::number(timeoutMs_ / 1000.0)));
    });
    timer_.start(timeoutMs_);
    asking_ = which;
    resolver_->lookup(QString::fromLatin1(kServices[which].prefix) + domain_,
                      [this, which](const SrvAnswer& answer) { answered(which, answer); });
}

void SubmissionSrv::answered(int which, const SrvAnswer& answer) {
    asking_ = -1;
    timer_.stop();
    timer_.disconnect(this);
    if (!answer.error.isEmpty())
        return give(which, Text(Res::SrvFailed).arg(answer.error));
    if (const auto record = chosen(answer.records)) {
        const QString name = QString::fromLatin1(kServices[which].prefix) + domain_;
        emit found(FoundServer{record->target,
                               record->port,
                               QString::fromLatin1(kServices[which].security),
                               QStringLiteral("password"),
                               Text(Res::SourceDnsRecord).arg(name),
                               {}});
        return;
    }
    // RFC 2782: a target of "." says the service is decidedly not offered.
    const bool declined = !answer.records.isEmpty();
    give(which, Text(declined ? Res::SrvNoService : Res::SrvNoRecord));
}

void SubmissionSrv::give(int which, const QString& reason) {
    reasons_ << QStringLiteral("%1%2: %3").arg(QString::fromLatin1(kServices[which].prefix), domain_, reason);
    ask(which + 1);
}
