#pragma once

#include "mail/FoundServer.h"

#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <optional>

class AutoconfigSearch;
class SrvResolver;
class SubmissionSrv;

// Finds the outgoing mail server of an address, for the settings dialog to fill its fields: from the program's list
// of large providers, else the domain's autoconfig file, else its DNS submission records, in that order. The file
// and the DNS are asked at once, so that a slow web server does not use up the DNS's time. Everything runs on the
// event loop (the network and DNS work off this thread); found or notFound comes once for each start(), always
// later from the event loop, and not at all after cancel().
class ServerLookup : public QObject {
    Q_OBJECT
public:
    explicit ServerLookup(QObject* parent = nullptr);
    ~ServerLookup() override;

    void start(const QString& address);
    void cancel();

    // For tests: where the autoconfig file is fetched ("%1" is the domain), certificate authorities to trust beside
    // the system's, the DNS, and how long one step and the whole lookup may take.
    void setAutoconfigUrls(const QStringList& templates) { urlTemplates_ = templates; }
    void setCaCertificates(const QList<QSslCertificate>& certificates);
    void setResolver(std::unique_ptr<SrvResolver> resolver);
    void setTimeouts(int stepMilliseconds, int wholeMilliseconds);

    static constexpr int kTimeoutMs = 10000;

signals:
    void found(const FoundServer& server);
    void notFound(const QString& why);

private:
    // What one search gave, once it has.
    struct Step {
        enum class State { Searching, Found, NotFound } state = State::Searching;
        FoundServer server;
        QStringList reasons;
    };
    template <typename Search> void follow(Search* search, Step& step);
    void decide();
    void finish(const std::optional<FoundServer>& server, const QString& why = {});

    AutoconfigSearch* autoconfig_;
    SubmissionSrv* dns_;
    QStringList urlTemplates_;
    QTimer whole_;
    int wholeMs_ = kTimeoutMs;
    int run_ = 0; // a start() or cancel() drops the answers of the runs before
    bool active_ = false;
    QString address_;
    Step fileStep_, dnsStep_;
};
