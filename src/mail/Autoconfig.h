#pragma once

#include "mail/FoundServer.h"

#include <QByteArray>

// The outgoing (SMTP) server of an autoconfig file, the clientConfig 1.1 format that mail clients read from
// https://autoconfig.<domain>/mail/config-v1.1.xml. The placeholders %EMAILADDRESS%, %EMAILLOCALPART% and
// %EMAILDOMAIN% are filled from the address. Of several outgoing servers, the first with encryption wins, then
// the first at all. The file is read strictly: a document type declaration, another root element, bad XML, or
// no usable server throws ComponentError with the reason. The source is left for the caller, who knows the URL.
FoundServer AutoconfigServer(const QByteArray& file, const QString& address);

// Larger files are not read; real ones are a few kilobytes.
inline constexpr qint64 kAutoconfigMaxBytes = 128 * 1024;
