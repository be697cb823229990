#pragma once

#include "mail/FoundServer.h"

#include <optional>

// The submission server of a large provider that the program knows by the address's domain (lower case, no
// trailing dot); nothing for a domain it does not know.
std::optional<FoundServer> ProviderServer(const QString& domain);
