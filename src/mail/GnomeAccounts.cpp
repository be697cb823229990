#include "mail/GnomeAccounts.h"

#include "core/DBusObjects.h"
#include "core/JobError.h"
#include "core/StringTable.h"

#include <QAtomicInt>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>

#include <algorithm>

namespace {

using namespace DBusObjects;

const QString kService = QStringLiteral("org.gnome.OnlineAccounts");
const QString kAccount = QStringLiteral("org.gnome.OnlineAccounts.Account");
const QString kMail = QStringLiteral("org.gnome.OnlineAccounts.Mail");
const QString kOAuth2 = QStringLiteral("org.gnome.OnlineAccounts.OAuth2Based");
const QString kPassword = QStringLiteral("org.gnome.OnlineAccounts.PasswordBased");
// goa-daemon asks the provider for a new token over the network when the old one expired.
constexpr int kTimeout = 30000;

// A connection of our own to the bus named now, closed with this object: the address may change within a run.
class Bus {
public:
    Bus() {
        DBusObjects::registerTypes();
        static QAtomicInt serial;
        name_ = QStringLiteral("brevimo-goa-%1").arg(serial.fetchAndAddRelaxed(1));
        const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
        if (address.isEmpty())
            throw JobError(Text(Res::GnomeNoService).arg(QStringLiteral("no session bus")));
        bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, name_));
        if (!bus_->isConnected())
            throw JobError(Text(Res::GnomeNoService).arg(bus_->lastError().message()));
    }
    ~Bus() {
        bus_.reset();
        QDBusConnection::disconnectFromBus(name_);
    }
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // The reply, or the D-Bus error's name and message.
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& args = {}) const {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
        message.setArguments(args);
        return bus_->call(message, QDBus::Block, kTimeout);
    }

private:
    QString name_;
    std::unique_ptr<QDBusConnection> bus_;
};

QString errorOf(const QDBusMessage& reply) {
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

// GOA keeps "name" or "name:port"; the port follows the security when it names none.
void setServer(MailAccount& server, const QString& host) {
    SplitHostPort(host.trimmed(), server.host, server.port);
    if (server.port.isEmpty())
        server.port = QString::number(DefaultPort(server.security));
}

std::vector<GnomeMailAccount> accountsOn(const Bus& bus) {
    const QDBusMessage reply =
        bus.call(QStringLiteral("/org/gnome/OnlineAccounts"), QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                 QStringLiteral("GetManagedObjects"));
    if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty())
        throw JobError(Text(Res::GnomeNoService).arg(errorOf(reply)));
    const auto objects = qdbus_cast<ManagedObjects>(reply.arguments().constFirst());
    std::vector<GnomeMailAccount> found;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const Interfaces& interfaces = it.value();
        const Properties mail = interfaces.value(kMail);
        if (!interfaces.contains(kMail) || !mail.value(QStringLiteral("SmtpSupported")).toBool())
            continue;
        GnomeMailAccount a;
        a.object = it.key().path();
        a.address = mail.value(QStringLiteral("EmailAddress")).toString().trimmed();
        a.provider = interfaces.value(kAccount).value(QStringLiteral("ProviderName")).toString();
        a.attentionNeeded = interfaces.value(kAccount).value(QStringLiteral("AttentionNeeded")).toBool();
        a.oauth2 = interfaces.contains(kOAuth2);
        if (!a.oauth2 && !interfaces.contains(kPassword))
            continue; // nothing to sign in with that Brevimo can use
        a.server.security = mail.value(QStringLiteral("SmtpUseSsl")).toBool()   ? Security::Tls
                            : mail.value(QStringLiteral("SmtpUseTls")).toBool() ? Security::StartTls
                                                                                : Security::None;
        a.server.login = !mail.value(QStringLiteral("SmtpUseAuth"), true).toBool() ? SignIn::None
                         : a.oauth2                                                ? SignIn::OAuth2
                                                                                   : SignIn::Password;
        setServer(a.server, mail.value(QStringLiteral("SmtpHost")).toString());
        a.server.user = mail.value(QStringLiteral("SmtpUserName")).toString().trimmed();
        if (a.server.user.isEmpty())
            a.server.user = a.address;
        found.push_back(a);
    }
    std::sort(found.begin(), found.end(),
              [](const GnomeMailAccount& x, const GnomeMailAccount& y) { return x.object < y.object; });
    return found;
}

} // namespace

namespace GnomeAccounts {

std::vector<GnomeMailAccount> mailAccounts() {
    const Bus bus;
    return accountsOn(bus);
}

std::optional<GnomeMailAccount> accountFor(const QString& address) {
    const QString wanted = address.trimmed();
    for (const GnomeMailAccount& a : mailAccounts())
        if (a.address.compare(wanted, Qt::CaseInsensitive) == 0)
            return a;
    return std::nullopt;
}

QString secretFor(const GnomeMailAccount& account, bool renew) {
    const Bus bus;
    const auto attention = [&] { return JobError(Text(Res::GnomeAttention).arg(account.address, account.provider)); };
    if (account.attentionNeeded)
        throw attention();
    const auto failed = [&](const QDBusMessage& reply) {
        // The provider refused goa-daemon's refresh: GOA marks the account and wants the user in Settings.
        if (reply.errorName().endsWith(QStringLiteral(".NotAuthorized")))
            return attention();
        return JobError(Text(Res::GnomeFailed).arg(account.address, account.provider, errorOf(reply)));
    };
    if (renew) {
        const QDBusMessage ensured = bus.call(account.object, kAccount, QStringLiteral("EnsureCredentials"));
        if (ensured.type() == QDBusMessage::ErrorMessage)
            throw failed(ensured);
    }
    const QDBusMessage reply = account.oauth2 ? bus.call(account.object, kOAuth2, QStringLiteral("GetAccessToken"))
                                              : bus.call(account.object, kPassword, QStringLiteral("GetPassword"),
                                                         {QStringLiteral("smtp-password")});
    if (reply.type() == QDBusMessage::ErrorMessage)
        throw failed(reply);
    const QString secret = reply.arguments().isEmpty() ? QString() : reply.arguments().constFirst().toString();
    if (secret.isEmpty())
        throw JobError(Text(Res::GnomeFailed).arg(account.address, account.provider, QStringLiteral("empty answer")));
    return secret;
}

} // namespace GnomeAccounts
