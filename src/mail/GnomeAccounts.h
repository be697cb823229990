#pragma once

#include "mail/MailAccount.h"

#include <QString>

#include <optional>
#include <vector>

// A mail account that GNOME Online Accounts keeps, with its outgoing server.
struct GnomeMailAccount {
    QString object; // the account's D-Bus object path
    QString address;
    QString provider; // "Google", "Microsoft", ...
    MailAccount server;
    bool oauth2 = false; // else a password account
    bool attentionNeeded = false;
};

// GNOME Online Accounts (goa-daemon) on the session bus. Every call throws JobError with a message for the user:
// no session bus, no GOA on it, an account that needs the user to sign in again.
namespace GnomeAccounts {

// The accounts with mail and an outgoing server.
std::vector<GnomeMailAccount> mailAccounts();

// The account whose address is this one (case aside), if any.
std::optional<GnomeMailAccount> accountFor(const QString& address);

// A valid access token of an OAuth2 account, or the SMTP password of a password account. renew: the server
// refused the last one, so GOA checks the account's credentials first.
QString secretFor(const GnomeMailAccount& account, bool renew);

} // namespace GnomeAccounts
