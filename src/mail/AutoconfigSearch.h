#pragma once

#include "mail/FoundServer.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QSslCertificate>
#include <QStringList>
#include <QTimer>
#include <QUrl>

class QNetworkReply;

// Fetches the autoconfig file of an address's domain from each URL in turn, over HTTPS only, and takes the
// outgoing server of the first that has one. Redirects are followed only to HTTPS addresses.
class AutoconfigSearch : public QObject {
    Q_OBJECT
public:
    explicit AutoconfigSearch(QObject* parent = nullptr);
    ~AutoconfigSearch() override;

    // Extra certificate authorities to trust beside the system's.
    void setCaCertificates(const QList<QSslCertificate>& certificates) { authorities_ = certificates; }
    // How long one URL may take.
    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

    void start(const QList<QUrl>& urls, const QString& address);
    void cancel();
    // Gives up on the URL under way with this reason; returns the reasons so far.
    QStringList stop(const QString& reason);

signals:
    void found(const FoundServer& server);
    // One line for each URL: what was found there.
    void notFound(const QStringList& reasons);

private:
    void next();
    void finished();
    void give(const QString& reason);

    QNetworkAccessManager network_;
    QList<QSslCertificate> authorities_;
    int timeoutMs_ = 10000;
    QList<QUrl> urls_;
    QString address_;
    QStringList reasons_;
    QPointer<QNetworkReply> reply_;
    QTimer timer_;
    bool timedOut_ = false, tooLarge_ = false;
};
