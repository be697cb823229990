#include "mail/DomainName.h"

#include <QUrl>

namespace {

bool isLabel(QStringView label) {
    if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-'))
        return false;
    for (QChar c : label)
        if (!(c.isDigit() || (c >= u'a' && c <= u'z') || c == u'-'))
            return false;
    return true;
}

} // namespace

QString AceDomainName(const QString& text) {
    QString name = text.trimmed();
    if (name.endsWith(u'.'))
        name.chop(1);
    if (name.isEmpty())
        return {};
    // toAce checks the international form and turns it into xn-- labels; it passes other characters through.
    const QString ace = QString::fromLatin1(QUrl::toAce(name)).toLower();
    if (ace.isEmpty() || ace.size() > 253)
        return {};
    for (QStringView label : QStringView(ace).split(u'.'))
        if (!isLabel(label))
            return {};
    return ace;
}
