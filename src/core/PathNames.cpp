#include "core/PathNames.h"

#include "core/StringTable.h"

#include <algorithm>

namespace {

qsizetype lastSeparator(const QString& path) {
#ifdef Q_OS_WIN
    return std::max(path.lastIndexOf(u'\\'), path.lastIndexOf(u'/'));
#else
    return path.lastIndexOf(u'/');
#endif
}

} // namespace

QChar PathSeparator() {
#ifdef Q_OS_WIN
    return u'\\';
#else
    return u'/';
#endif
}

QString ExtractFileName(const QString& path) {
    return path.mid(lastSeparator(path) + 1);
}

QString GetPath(const QString& path) {
    return path.left(lastSeparator(path) + 1);
}

QString PieceBase(const QString& sourcePath) {
    const QString name = ExtractFileName(sourcePath);
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? QString() : name.left(dot + 1);
}

QString PieceName(const QString& base, int64_t number) {
    return base + QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

QString BatchName(const QString& base) {
    return base + QStringLiteral("bat");
}

QString ChecksumListName(const QString& base) {
    return base + QStringLiteral("sha256");
}

QString JoinScriptName(const QString& base) {
    return base + QStringLiteral("sh");
}

QString ReceiverFilesNote(const QString& base) {
    if (base.isEmpty())
        return {};
    return Text(Res::ReceiverFilesNote).arg(ChecksumListName(base), QStringLiteral("./") + JoinScriptName(base));
}

QString JoinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(PathSeparator()))
        return folder + name;
    return folder + PathSeparator() + name;
}
