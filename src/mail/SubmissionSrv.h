#pragma once

#include "mail/FoundServer.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

struct SrvRecord {
    QString target; // "." or empty: the service is not offered
    int port = 0;
    int priority = 0;
    int weight = 0;
};

struct SrvAnswer {
    QList<SrvRecord> records; // empty: no such record
    QString error;            // the lookup failed
};

// Looks up SRV records. The program's one asks the system's DNS; tests answer from a table. An answer comes later
// from the event loop, never inside lookup(), and never after the resolver is gone.
class SrvResolver : public QObject {
public:
    virtual void lookup(const QString& name, std::function<void(const SrvAnswer&)> answer) = 0;
    // Drops the lookups under way: their answers never come.
    virtual void cancel() = 0;
};

std::unique_ptr<SrvResolver> SystemSrvResolver();

// The submission server a domain names in DNS (RFC 6186, RFC 8314): _submissions._tcp (implicit TLS) first, then
// _submission._tcp (STARTTLS). Of several records the lowest priority, then the highest weight, is taken: the
// program keeps one server, and a steady choice is what the user can check.
class SubmissionSrv : public QObject {
    Q_OBJECT
public:
    explicit SubmissionSrv(QObject* parent = nullptr);
    ~SubmissionSrv() override;
    void setResolver(std::unique_ptr<SrvResolver> resolver);
    // How long one lookup may take.
    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

    void start(const QString& domain);
    void cancel();
    // Gives up on the lookup under way with this reason; returns the reasons so far.
    QStringList stop(const QString& reason);

signals:
    void found(const FoundServer& server);
    // One line for each record asked for: what DNS said.
    void notFound(const QStringList& reasons);

private:
    void ask(int which);
    void answered(int which, const SrvAnswer& answer);
    void give(int which, const QString& reason);

    std::unique_ptr<SrvResolver> resolver_;
    int timeoutMs_ = 10000;
    QString domain_;
    int asking_ = -1; // the service asked for, while a lookup is under way
    QStringList reasons_;
    QTimer timer_;
};
