#include "mail/ServerUrl.h"

#include <QUrl>

#include <arpa/inet.h>
#include <memory>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using AddrInfoPtr = std::unique_ptr<addrinfo, decltype(&freeaddrinfo)>;

// The system's fully qualified name, when it knows one.
QString qualifiedHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    addrinfo hints{};
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0)
        return {};
    AddrInfoPtr info(found, &freeaddrinfo);
    const QString canonical = QString::fromUtf8(info->ai_canonname ? info->ai_canonname : name);
    if (!canonical.contains(u'.') || canonical.startsWith(QStringLiteral("localhost")))
        return {};
    return canonical;
}

// The address this machine would use towards the host, as an RFC 5321 address literal. A datagram socket
// that is only connected sends nothing.
QString localAddressLiteral(const QString& host) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), "25", &hints, &found) != 0)
        return {};
    AddrInfoPtr info(found, &freeaddrinfo);
    const int fd = socket(info->ai_family, SOCK_DGRAM, 0);
    if (fd < 0)
        return {};
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    const bool known = connect(fd, info->ai_addr, info->ai_addrlen) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0;
    close(fd);
    if (!known)
        return {};
    char text[INET6_ADDRSTRLEN] = {};
    if (local.ss_family == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<sockaddr_in6*>(&local)->sin6_addr, text, sizeof text);
        return QStringLiteral("[IPv6:%1]").arg(QString::fromLatin1(text));
    }
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(&local)->sin_addr, text, sizeof text);
    return QStringLiteral("[%1]").arg(QString::fromLatin1(text));
}

} // namespace

// The bare host name of a server text: no scheme, port or path; IPv6 literals keep their brackets off.
QString ServerHostName(const QString& server) {
    QString s = server;
    const qsizetype scheme = s.indexOf(QStringLiteral("://"));
    if (scheme >= 0)
        s = s.mid(scheme + 3);
    s = s.section(u'/', 0, 0);
    if (s.startsWith(u'['))
        return s.mid(1).section(u']', 0, 0);
    return s.section(u':', 0, 0);
}

// libcurl greets with the URL's path, or with the short host name when there is none; servers that check
// the greeting refuse a short name (RFC 5321 4.1.4).
QByteArray ServerUrl(const QString& server) {
    QString url = server;
    if (!url.startsWith(u"smtp://", Qt::CaseInsensitive) && !url.startsWith(u"smtps://", Qt::CaseInsensitive))
        url = QStringLiteral("smtp://") + url;
    if (url.indexOf(u'/', url.indexOf(QStringLiteral("://")) + 3) >= 0)
        return url.toUtf8(); // the user named the greeting
    QString name = qualifiedHostName();
    if (name.isEmpty())
        name = localAddressLiteral(ServerHostName(server));
    if (name.isEmpty())
        return url.toUtf8();
    return url.toUtf8() + '/' + QUrl::toPercentEncoding(name);
}
