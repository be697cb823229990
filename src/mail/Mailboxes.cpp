#include <gmime/gmime.h>

#include "mail/Mailboxes.h"

#include "core/JobError.h"
#include "core/StringTable.h"
#include "mail/MailMessage.h"

QStringList SplitAddressList(const QString& text) {
    QStringList entries;
    QString entry;
    bool quoted = false;
    int angle = 0, comment = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted && c == u'\\' && i + 1 < text.size()) {
            entry += c;
            entry += text.at(++i);
            continue;
        }
        if (c == u'"' && comment == 0)
            quoted = !quoted;
        else if (!quoted && c == u'(')
            ++comment;
        else if (!quoted && c == u')' && comment > 0)
            --comment;
        else if (!quoted && comment == 0 && c == u'<')
            ++angle;
        else if (!quoted && comment == 0 && c == u'>' && angle > 0)
            --angle;
        else if (!quoted && comment == 0 && angle == 0 && (c == u',' || c == u';')) {
            entries << entry.trimmed();
            entry.clear();
            continue;
        }
        entry += c;
    }
    entries << entry.trimmed();
    entries.removeAll(QString());
    return entries;
}

std::optional<Mailbox> ParseMailbox(const QString& entry) {
    InitMailLibrary();
    QString text = entry;
    // No value may start a header line of its own.
    text.replace(u'\r', u' ').replace(u'\n', u' ');
    InternetAddressList* list = internet_address_list_parse(nullptr, text.toUtf8().constData());
    if (!list)
        return std::nullopt;
    std::optional<Mailbox> found;
    if (internet_address_list_length(list) == 1) {
        InternetAddress* a = internet_address_list_get_address(list, 0);
        if (INTERNET_ADDRESS_IS_MAILBOX(a)) {
            const QString address = QString::fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
            const qsizetype at = address.lastIndexOf(u'@');
            if (at > 0 && at < address.size() - 1)
                found = Mailbox{QString::fromUtf8(internet_address_get_name(a)), address};
        }
    }
    g_object_unref(list);
    return found;
}

std::vector<Mailbox> MailboxesOf(const QString& list) {
    std::vector<Mailbox> all;
    for (const QString& entry : SplitAddressList(list))
        if (auto mailbox = ParseMailbox(entry))
            all.push_back(*mailbox);
    return all;
}

void CheckMailAddresses(const SplitJob& job, Settings& settings) {
    const QString sender = settings.FromEMailAddress().trimmed();
    if (sender.isEmpty())
        throw JobError(Text(Res::NoSender).arg(settings.Location()));
    if (!ParseMailbox(sender))
        throw JobError(Text(Res::BadSender).arg(sender, settings.Location()));
    int count = 0;
    for (const auto& [list, field] : {std::pair{&job.SendTo, Res::FieldSendTo},
                                      {&job.CarbonCopy, Res::FieldCc},
                                      {&job.BlindCarbonCopy, Res::FieldBcc}}) {
        for (const QString& entry : SplitAddressList(*list)) {
            if (!ParseMailbox(entry))
                throw JobError(Text(Res::BadAddress).arg(entry, Text(field)));
            ++count;
        }
    }
    if (count == 0)
        throw JobError(Text(Res::NoRecipient));
}

QString AddressNeedingSmtpUtf8(const SplitJob& job, Settings& settings) {
    const QString lists[] = {settings.FromEMailAddress(), job.SendTo, job.CarbonCopy, job.BlindCarbonCopy};
    for (const QString& list : lists)
        for (const Mailbox& m : MailboxesOf(list))
            for (QChar c : m.address)
                if (c.unicode() > 0x7f)
                    return m.address;
    return {};
}
