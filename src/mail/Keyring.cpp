#include "mail/Keyring.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace {

const QString kService = QStringLiteral("Brevimo");
// A locked keyring may ask for its own password in a window of its own; nobody may be there to answer.
constexpr int kWaitMs = 30000;

// Runs the job to its end; false when the keyring did not answer in time.
bool finish(QKeychain::Job& job) {
    if (!QCoreApplication::instance())
        return false; // QtKeychain answers through the application's event loop
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    QEventLoop loop;
    bool done = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        done = true;
        loop.quit();
    });
    QTimer::singleShot(kWaitMs, &loop, &QEventLoop::quit);
    job.start();
    if (!done)
        loop.exec();
    return done;
}

// QtKeychain's jobs run in the application's thread alone; a job's thread waits for it there.
template <typename F> auto inAppThread(F work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        return work();
    decltype(work()) result{};
    QMetaObject::invokeMethod(
        app, [&] { result = work(); }, Qt::BlockingQueuedConnection);
    return result;
}

QString reasonOf(const QKeychain::Job& job) {
    return job.errorString().isEmpty() ? QStringLiteral("no keyring answers") : job.errorString();
}

} // namespace

QString Keyring::keyFor(const QString& user, const QString& host) {
    return QStringLiteral("smtp:%1@%2").arg(user, host.toLower());
}

Keyring::Answer Keyring::read(const QString& key) {
    return inAppThread([&] { return readHere(key); });
}

Keyring::Answer Keyring::readHere(const QString& key) {
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(key);
    if (!finish(job))
        return {Status::Unavailable, {}, QStringLiteral("the keyring did not answer")};
    if (job.error() == QKeychain::NoError)
        return {Status::Found, job.textData(), {}};
    if (job.error() == QKeychain::EntryNotFound)
        return {Status::NotFound, {}, {}};
    return {Status::Unavailable, {}, reasonOf(job)};
}

bool Keyring::write(const QString& key, const QString& password, QString* reason) {
    return inAppThread([&] { return writeHere(key, password, reason); });
}

bool Keyring::writeHere(const QString& key, const QString& password, QString* reason) {
    QKeychain::WritePasswordJob job(kService);
    job.setKey(key);
    job.setTextData(password);
    if (!finish(job)) {
        *reason = QStringLiteral("the keyring did not answer");
        return false;
    }
    if (job.error() == QKeychain::NoError)
        return true;
    *reason = reasonOf(job);
    return false;
}
