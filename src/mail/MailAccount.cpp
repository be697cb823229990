#include "mail/MailAccount.h"

#include "core/StringTable.h"
#include "settings/Settings.h"

#include <QRegularExpression>
#include <QUrl>

#include <arpa/inet.h>
#include <optional>

namespace {

const QString kStartTls = QStringLiteral("starttls");
const QString kTls = QStringLiteral("tls");
const QString kNone = QStringLiteral("none");

} // namespace

int DefaultPort(Security security) {
    switch (security) {
    case Security::Tls:
        return 465;
    case Security::None:
        return 25;
    case Security::StartTls:
        break;
    }
    return 587;
}

QString SecurityKey(Security security) {
    return security == Security::Tls ? kTls : security == Security::None ? kNone : kStartTls;
}

QString SignInKey(SignIn login) {
    switch (login) {
    case SignIn::None:
        return kNone;
    case SignIn::OAuth2:
        return QStringLiteral("oauth2");
    case SignIn::Password:
        break;
    }
    return QStringLiteral("password");
}

void SplitHostPort(const QString& text, QString& host, QString& port) {
    host = text;
    port.clear();
    if (host.startsWith(u'[')) {
        const qsizetype close = host.indexOf(u']');
        if (close > 0) {
            port = host.mid(close + 1).startsWith(u':') ? host.mid(close + 2) : QString();
            host = host.mid(1, close - 1);
        }
    } else if (host.count(u':') == 1) {
        port = host.section(u':', 1);
        host = host.section(u':', 0, 0);
    }
}

MailAccount MailAccount::FromSettings(Settings& settings) {
    MailAccount a;
    QString host = settings.Host().trimmed();
    QString portInHost;
    std::optional<Security> securityInHost;
    const qsizetype scheme = host.indexOf(QStringLiteral("://"));
    if (scheme >= 0) {
        const QString name = host.left(scheme).toLower();
        securityInHost = name == u"smtps" ? Security::Tls : Security::StartTls;
        host = host.mid(scheme + 3).section(u'/', 0, 0);
    }
    SplitHostPort(host, a.host, portInHost);
    const QString security = settings.MailSecurity().trimmed().toLower();
    const QString login = settings.MailLogin().trimmed().toLower();
    a.legacy = security.isEmpty() && login.isEmpty();
    if (security == kTls || security == u"ssl")
        a.security = Security::Tls;
    else if (security == kNone)
        a.security = Security::None;
    else if (security.isEmpty() && securityInHost)
        a.security = *securityInHost;
    if (login == kNone)
        a.login = SignIn::None;
    else if (login == u"oauth2")
        a.login = SignIn::OAuth2;
    a.port = settings.MailPort().trimmed();
    if (a.port.isEmpty())
        a.port = portInHost;
    if (a.port.isEmpty()) // smtp:// and a bare name went to 25 before Port existed
        a.port = QString::number(a.legacy && a.security == Security::StartTls ? 25 : DefaultPort(a.security));
    a.user = settings.MailUser();
    return a;
}

void MailAccount::store(Settings& settings) const {
    settings.setHost(host.trimmed());
    settings.setMailPort(port.trimmed());
    settings.setMailSecurity(SecurityKey(security));
    settings.setMailLogin(SignInKey(login));
    settings.setMailUser(user.trimmed());
}

QString MailAccount::hostAndPort() const {
    const QString name = host.trimmed().contains(u':') ? u'[' + host.trimmed() + u']' : host.trimmed();
    return name + u':' + QString::number(portNumber());
}

QString MailAccount::url() const {
    return (security == Security::Tls ? QStringLiteral("smtps://") : QStringLiteral("smtp://")) + hostAndPort();
}

QString PortProblem(const QString& port) {
    bool ok = false;
    const int n = port.trimmed().toInt(&ok);
    if (ok && n >= 1 && n <= 65535)
        return {};
    return Text(Res::BadPort).arg(port.trimmed());
}

QString ServerProblem(const QString& host) {
    const QString name = host.trimmed();
    if (name.isEmpty())
        return Text(Res::NoServerGiven);
    unsigned char address[16];
    if (inet_pton(AF_INET, name.toLatin1().constData(), address) == 1 ||
        inet_pton(AF_INET6, name.toLatin1().constData(), address) == 1)
        return {};
    // A name outside ASCII is checked in the form it goes to the resolver in.
    const QByteArray ace = QUrl::toAce(name);
    static const QRegularExpression label(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,61}[A-Za-z0-9])?$"));
    QString ascii = QString::fromLatin1(ace);
    if (ascii.endsWith(u'.'))
        ascii.chop(1);
    bool good = !ascii.isEmpty() && ascii.size() <= 253;
    for (const QString& part : ascii.split(u'.'))
        good = good && label.match(part).hasMatch();
    // All digits and dots is a mistyped IPv4 address, not a name.
    static const QRegularExpression digits(QStringLiteral("^[0-9.]+$"));
    if (good && !digits.match(ascii).hasMatch())
        return {};
    return Text(Res::BadServer).arg(name);
}
