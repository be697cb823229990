#include "split/SetNames.h"

#include "core/JobError.h"
#include "core/PathNames.h"
#include "core/StringTable.h"

#include <QFile>
#include <QRegularExpression>

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

[[noreturn]] void cannotRebuild(const QString& fileName, const QString& why) {
    throw JobError(Text(Res::ReceiverCannotRebuild).arg(fileName, why));
}

// The piece number the name has in its own set ("report.002" is piece 2 of "report."), or 0.
int64_t ownPieceNumber(const QString& fileName) {
    const QString base = PieceBase(fileName);
    const QString digits = fileName.mid(base.size());
    static const QRegularExpression number(QStringLiteral("^[0-9]{3,}$"));
    if (!number.match(digits).hasMatch())
        return 0;
    bool ok = false;
    const int64_t n = digits.toLongLong(&ok);
    return ok && PieceName(base, n) == fileName ? n : 0; // "report.0002" is no piece name
}

} // namespace

void CheckBatchSafeName(const QString& fileName) {
    for (QChar c : fileName) {
        const QString what = describeUnsafe(c);
        if (!what.isEmpty())
            throw JobError(Text(Res::UnsafeName).arg(fileName, what));
    }
}

void CheckReceiverName(const QString& fileName, int64_t pieceCount, bool receiverFiles) {
    const QString stem = fileName.section(u'.', 0, 0).toUpper();
    static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])$"));
    if (device.match(stem).hasMatch())
        cannotRebuild(fileName, Text(Res::DeviceName).arg(fileName.section(u'.', 0, 0)));
    if (fileName.endsWith(u'.') || fileName.endsWith(u' '))
        cannotRebuild(fileName, Text(Res::TrailingDotOrBlank));
    const QString base = PieceBase(fileName);
    if (fileName.compare(BatchName(base), Qt::CaseInsensitive) == 0)
        cannotRebuild(fileName, Text(Res::OwnBatchName));
    // Also where the source lies elsewhere: at the receiver's, the pieces and the file share one folder.
    if (const int64_t n = ownPieceNumber(fileName); n >= 1 && n <= pieceCount)
        cannotRebuild(fileName, Text(Res::OwnPieceName).arg(PieceName(base, n)));
    if (receiverFiles) {
        for (const QString& own : {ChecksumListName(base), JoinScriptName(base)})
            if (fileName.compare(own, Qt::CaseInsensitive) == 0)
                throw JobError(Text(Res::NamedLikeReceiverFile).arg(fileName));
    }
    const Res::Id kinds[] = {Res::KindRebuiltFile, Res::KindPiece, Res::KindBatchFile, Res::KindChecksumList,
                             Res::KindJoinScript};
    const QStringList names = LongestSetNames(fileName, pieceCount, receiverFiles);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const qsizetype bytes = QFile::encodeName(names[i]).size();
        if (bytes > kNameMax)
            cannotRebuild(fileName,
                          Text(Res::NameTooLong).arg(Text(kinds[i]), names[i]).arg(bytes).arg(bytes - kNameMax));
    }
}

QStringList LongestSetNames(const QString& fileName, int64_t pieceCount, bool receiverFiles) {
    const QString base = PieceBase(fileName);
    QStringList names{fileName, PieceName(base, pieceCount), BatchName(base)};
    if (receiverFiles)
        names << ChecksumListName(base) << JoinScriptName(base);
    return names;
}
