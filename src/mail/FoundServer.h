#pragma once

#include <QString>

// An outgoing mail server found for an address, as the settings dialog fills its fields from it.
struct FoundServer {
    QString host;
    int port = 0;
    QString security; // "starttls" | "tls" | "none"
    QString login;    // "password" | "oauth2" | "none"
    QString source;   // where the values came from, shown to the user
    QString user;     // the user name the provider asks for; empty: the address itself
};
