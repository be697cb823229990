#include "split/BatchFile.h"

#include "app/ResStrings.h"
#include "app/Version.h"
#include "split/JobError.h"
#include "split/PathNames.h"

#include <QStringList>

namespace {

QString describeUnsafe(QChar c) {
    if (c == u'"')
        return QStringLiteral("a double quote");
    if (c == u'\n' || c == u'\r')
        return QStringLiteral("a line break");
    if (c.unicode() < 0x20 || c.unicode() == 0x7f)
        return QStringLiteral("a control character");
    if (QStringView(u"<>|?*\\:").contains(c))
        return QStringLiteral("the character '%1'").arg(c);
    return {};
}

// cmd expands %NAME% even inside quotes; %% stands for one %.
QString quoted(const QString& name) {
    return u'"' + QString(name).replace(u'%', QStringLiteral("%%")) + u'"';
}

bool isAscii(const QString& s) {
    for (QChar c : s)
        if (c.unicode() > 0x7f)
            return false;
    return true;
}

} // namespace

void CheckBatchSafeName(const QString& fileName) {
    for (QChar c : fileName) {
        const QString what = describeUnsafe(c);
        if (!what.isEmpty())
            throw JobError(LoadResString(Res::UnsafeName).arg(fileName, what));
    }
}

QByteArray BatchFileText(const QString& fileName, const QString& base, int64_t pieceCount, bool remLines) {
    const bool utf8 = !isAscii(fileName);
    QStringList lines;
    if (remLines) {
        lines << QStringLiteral("rem ") + LoadResString(9006) << QStringLiteral("rem ");
    }
    lines << QStringLiteral("@echo off");
    if (utf8)
        lines << QStringLiteral("chcp 65001 >nul");
    lines << QStringLiteral("echo.") << QStringLiteral("echo ") + LoadResString(9000) + VersionText()
          << QStringLiteral("echo ") + LoadResString(9001) << QStringLiteral("echo.")
          << QStringLiteral("echo ") + LoadResString(9002) << QStringLiteral("echo ") + LoadResString(9003)
          << QStringLiteral("echo.") << QStringLiteral("pause") << QStringLiteral("echo ") + LoadResString(9004);
    for (int64_t i = 1; i <= pieceCount; ++i) {
        const QString piece = PieceName(base, i);
        if (i == 1)
            lines << QStringLiteral("copy/b ") + quoted(piece) + u' ' + quoted(fileName);
        else
            lines << QStringLiteral("copy/b ") + quoted(fileName) + QStringLiteral(" + ") + quoted(piece);
    }
    lines << QStringLiteral("echo.") << QStringLiteral("echo ") + LoadResString(9005);

    const QString text = lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    return utf8 ? text.toUtf8() : text.toLatin1();
}
