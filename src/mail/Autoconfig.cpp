#include "mail/Autoconfig.h"

#include "core/ComponentError.h"
#include "core/StringTable.h"
#include "mail/DomainName.h"

#include <QStringList>
#include <QXmlStreamReader>

#include <optional>
#include <vector>

namespace {

struct Outgoing {
    QString hostname, port, socketType, username;
    QStringList authentications;
};

QString filled(QString text, const QString& address) {
    const qsizetype at = address.lastIndexOf(u'@');
    text.replace(QStringLiteral("%EMAILADDRESS%"), address);
    text.replace(QStringLiteral("%EMAILLOCALPART%"), address.left(at));
    text.replace(QStringLiteral("%EMAILDOMAIN%"), address.mid(at + 1));
    return text.trimmed();
}

// The sign-in of the first method the program can use, in the file's order; nothing for none of them.
std::optional<QString> login(const QStringList& methods) {
    if (methods.isEmpty())
        return QStringLiteral("password");
    for (const QString& m : methods) {
        if (m == QLatin1String("password-cleartext") || m == QLatin1String("plain") ||
            m == QLatin1String("password-encrypted") || m == QLatin1String("secure"))
            return QStringLiteral("password");
        if (m == QLatin1String("OAuth2"))
            return QStringLiteral("oauth2");
        if (m == QLatin1String("none") || m == QLatin1String("client-IP-address"))
            return QStringLiteral("none");
    }
    return std::nullopt;
}

std::optional<FoundServer> usable(const Outgoing& o, const QString& address) {
    FoundServer s;
    s.host = AceDomainName(filled(o.hostname, address));
    bool number = false;
    s.port = o.port.trimmed().toInt(&number);
    const QString type = o.socketType.trimmed();
    s.security = type == QLatin1String("SSL")        ? QStringLiteral("tls")
                 : type == QLatin1String("STARTTLS") ? QStringLiteral("starttls")
                 : type == QLatin1String("plain")    ? QStringLiteral("none")
                                                     : QString();
    const auto how = login(o.authentications);
    if (s.host.isEmpty() || !number || s.port < 1 || s.port > 65535 || s.security.isEmpty() || !how)
        return std::nullopt;
    s.login = *how;
    const QString user = filled(o.username, address);
    if (user != address)
        s.user = user;
    return s;
}

Outgoing readOutgoing(QXmlStreamReader& xml) {
    Outgoing o;
    while (xml.readNextStartElement()) {
        const auto name = xml.name();
        if (name == QLatin1String("hostname"))
            o.hostname = xml.readElementText();
        else if (name == QLatin1String("port"))
            o.port = xml.readElementText();
        else if (name == QLatin1String("socketType"))
            o.socketType = xml.readElementText();
        else if (name == QLatin1String("username"))
            o.username = xml.readElementText();
        else if (name == QLatin1String("authentication"))
            o.authentications << xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    return o;
}

// The outgoing servers of type smtp of every emailProvider, in the file's order.
std::vector<Outgoing> readFile(QXmlStreamReader& xml) {
    std::vector<Outgoing> found;
    while (!xml.atEnd() && !xml.isStartElement()) {
        xml.readNext();
        // Entities declared in a DTD could blow up or reach elsewhere; the format has none.
        if (xml.isDTD())
            xml.raiseError(Text(Res::AutoconfigNotClientConfig));
    }
    if (xml.hasError())
        return found;
    if (xml.name() != QLatin1String("clientConfig")) {
        xml.raiseError(Text(Res::AutoconfigNotClientConfig));
        return found;
    }
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("emailProvider")) {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("outgoingServer") &&
                xml.attributes().value(QLatin1String("type")) == QLatin1String("smtp"))
                found.push_back(readOutgoing(xml));
            else
                xml.skipCurrentElement();
        }
    }
    // Whatever follows the root must be well-formed too.
    while (!xml.atEnd())
        xml.readNext();
    return found;
}

} // namespace

FoundServer AutoconfigServer(const QByteArray& file, const QString& address) {
    QXmlStreamReader xml(file);
    const std::vector<Outgoing> servers = readFile(xml);
    if (xml.hasError())
        throw ComponentError(
            0, Text(Res::AutoconfigInvalid)
                   .arg(QString::number(xml.lineNumber()), QString::number(xml.columnNumber()), xml.errorString()));
    std::optional<FoundServer> plain;
    for (const Outgoing& o : servers) {
        const auto s = usable(o, address);
        if (s && s->security != QLatin1String("none"))
            return *s;
        if (s && !plain)
            plain = s;
    }
    if (plain)
        return *plain;
    throw ComponentError(0, Text(Res::AutoconfigNoSmtp));
}
