#pragma once

#include <QByteArray>
#include <QString>

// The bare host name of a server text: no scheme, port or path; IPv6 literals without their brackets.
QString ServerHostName(const QString& server);

// The libcurl URL of a server text (name, name:port, smtp:// or smtps://). Its path is the name the client
// greets with: this machine's fully qualified name, or the address literal of the address it would use
// towards the server; a server text with a path of its own keeps it.
QByteArray ServerUrl(const QString& server);
