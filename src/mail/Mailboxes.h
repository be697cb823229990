#pragma once

#include "core/SplitJob.h"
#include "settings/Settings.h"

#include <QString>
#include <QStringList>

#include <optional>

struct Mailbox {
    QString name;
    QString address;
};

// The entries of an address list as a user types it: separated by ',' or ';' outside quotes, angle
// brackets and comments; empty entries are left out.
QStringList SplitAddressList(const QString& text);

// The one mailbox an entry names ("jo@x.test", "Jo <jo@x.test>"); nothing when it names none or several.
std::optional<Mailbox> ParseMailbox(const QString& entry);

// Every mailbox of a list; entries that are not one mailbox are left out (CheckMailAddresses refuses them).
std::vector<Mailbox> MailboxesOf(const QString& list);

// The first address of the job, the sender's included, that is not ASCII: only a server that offers SMTPUTF8
// (RFC 6531) takes it. Empty when there is none.
QString AddressNeedingSmtpUtf8(const SplitJob& job, Settings& settings);

// Throws JobError naming the first entry of the job's recipients, or the sender of the settings, that is
// not one mailbox, and when there is no recipient at all.
void CheckMailAddresses(const SplitJob& job, Settings& settings);
