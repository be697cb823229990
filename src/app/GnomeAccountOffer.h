#pragma once

#include "mail/GnomeAccounts.h"

#include <QCheckBox>

#include <optional>

// The e-mail settings' offer of GNOME Online Accounts' mail account of the sender's address: a check box, shown
// only while GNOME holds an OAuth2 account of that address, whose tick takes the account's server and sign-in.
class GnomeAccountOffer : public QCheckBox {
    Q_OBJECT
public:
    explicit GnomeAccountOffer(QWidget* parent);
    // Asks GNOME Online Accounts for the address's account; without one (or without GNOME) the box hides.
    void offerFor(const QString& address, bool ticked);
    // The account, while the box is shown and ticked.
    std::optional<GnomeMailAccount> chosen() const;

private:
    std::optional<GnomeMailAccount> account_;
};
