#include "app/GnomeAccountOffer.h"

#include "core/JobError.h"
#include "core/StringTable.h"

GnomeAccountOffer::GnomeAccountOffer(QWidget* parent) : QCheckBox(parent) {
    setObjectName(QStringLiteral("gnomeAccountBox"));
    setToolTip(Text(Res::GnomeOfferTip));
    hide();
}

void GnomeAccountOffer::offerFor(const QString& address, bool ticked) {
    account_.reset();
    try {
        if (address.contains(u'@'))
            account_ = GnomeAccounts::accountFor(address);
    } catch (const JobError&) {
        // No GNOME Online Accounts on this desktop: nothing to offer, and nothing to say about it here.
    }
    // A password account's password is GNOME's to keep; the dialog offers the token accounts.
    if (account_ && !account_->oauth2)
        account_.reset();
    if (account_)
        setText(Text(Res::GnomeOffer).arg(account_->address, account_->provider));
    setChecked(account_ && ticked);
    setVisible(account_.has_value());
}

std::optional<GnomeMailAccount> GnomeAccountOffer::chosen() const {
    return isChecked() ? account_ : std::nullopt;
}
