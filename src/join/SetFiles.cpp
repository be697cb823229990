#include "join/SetFiles.h"

#include "core/JobError.h"
#include "core/PathNames.h"
#include "core/StringTable.h"
// The batch file's code pages are the splitter's, which writes it.
#include "split/BatchFile.h"

#include <QFile>
#include <QRegularExpression>

#include <set>

namespace {

// A line as a message may show it: control characters as "?", and not longer than a line of a window.
QString shownLine(const QString& line) {
    QString shown = line.left(200);
    for (QChar& c : shown)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u'?';
    return line.size() > 200 ? shown + QStringLiteral("...") : shown;
}

[[noreturn]] void badLine(const QString& path, qsizetype number, const QString& line, const QString& why) {
    throw JobError(Text(Res::JoinBadLine).arg(path, QString::number(number), why, shownLine(line)));
}

// The lines of a text; a CR before the LF (the file went through Windows) and a last empty line are no lines.
QStringList linesOf(const QString& text) {
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return lines;
}

// Checks a name of the line and that it is piece number of the set fileName is in (0: any number, returned).
int64_t checkPiece(const QString& path, qsizetype line, const QString& text, const QString& name,
                   const QString& fileName, int64_t number) {
    try {
        CheckPlainName(name);
    } catch (const JobError& e) {
        badLine(path, line, text, e.message());
    }
    const QString base = PieceBase(fileName);
    static const QRegularExpression digits(QStringLiteral("^[0-9]{3,18}$"));
    const QString tail = name.startsWith(base) ? name.mid(base.size()) : QString();
    const int64_t n = digits.match(tail).hasMatch() ? tail.toLongLong() : 0;
    if (n < 1 || PieceName(base, n) != name || (number != 0 && n != number))
        badLine(path, line, text,
                number ? Text(Res::JoinNotPieceOf).arg(name, fileName, PieceName(base, number))
                       : Text(Res::JoinNotPieceOf).arg(name, fileName, PieceName(base, 1)));
    return n;
}

void checkFileName(const QString& path, qsizetype line, const QString& text, const QString& name) {
    try {
        CheckPlainName(name);
    } catch (const JobError& e) {
        badLine(path, line, text, e.message());
    }
}

// cmd reads %% as one %.
QString unescaped(const QString& name) {
    return QString(name).replace(QStringLiteral("%%"), QStringLiteral("%"));
}

} // namespace

void CheckPlainName(const QString& name) {
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/') || name.contains(u'\\') ||
        (name.size() >= 2 && name[1] == u':' && name[0].isLetter()))
        throw JobError(Text(Res::JoinLeavesFolder).arg(shownLine(name)));
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            throw JobError(Text(Res::JoinControlChar).arg(shownLine(name)));
    static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])$"));
    if (device.match(name.section(u'.', 0, 0).trimmed().toUpper()).hasMatch())
        throw JobError(Text(Res::JoinDeviceName).arg(name));
}

ListedSet ReadChecksumList(const QString& path, const QByteArray& text) {
    const QStringList lines = linesOf(QFile::decodeName(text));
    // sha256sum's two forms: two blanks, or a blank and "*" (read in binary mode, the same on this system).
    static const QRegularExpression form(QStringLiteral("^([0-9a-fA-F]{64}) [ *](.+)$"));
    std::vector<QRegularExpressionMatch> matches;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        matches.push_back(form.match(lines[i]));
        if (!matches.back().hasMatch())
            badLine(path, i + 1, lines[i], Text(Res::JoinNotListLine));
    }
    if (lines.size() < 2)
        throw JobError(Text(Res::JoinListTooShort).arg(path));
    ListedSet set;
    const qsizetype last = lines.size() - 1;
    set.fileName = matches[last].captured(2);
    checkFileName(path, last + 1, lines[last], set.fileName);
    set.wholeDigest = matches[last].captured(1).toLower().toLatin1();
    for (qsizetype i = 0; i < last; ++i) {
        const QString name = matches[i].captured(2);
        checkPiece(path, i + 1, lines[i], name, set.fileName, i + 1);
        set.pieces << name;
        set.digests.push_back(matches[i].captured(1).toLower().toLatin1());
    }
    return set;
}

std::optional<ListedSet> ReadBatchCopies(const QString& path, const QByteArray& text) {
    const QStringList lines = linesOf(DecodeBatchFile(text));
    static const QRegularExpression first(QStringLiteral("^copy/b \"([^\"]+)\" \"([^\"]+)\"$"));
    static const QRegularExpression next(QStringLiteral("^copy/b \"([^\"]+)\" \\+ \"([^\"]+)\"$"));
    ListedSet set;
    std::set<int64_t> seen;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        static const QRegularExpression copyCommand(QStringLiteral("^copy([\\s/]|$)"),
                                                    QRegularExpression::CaseInsensitiveOption);
        if (!copyCommand.match(line).hasMatch()) // cmd's copy; "copyright" is none
            continue;
        QString piece;
        if (set.pieces.isEmpty()) {
            const QRegularExpressionMatch m = first.match(line);
            if (!m.hasMatch())
                badLine(path, i + 1, lines[i], Text(Res::JoinNotCopyLine));
            set.fileName = unescaped(m.captured(2));
            checkFileName(path, i + 1, lines[i], set.fileName);
            piece = unescaped(m.captured(1));
        } else {
            const QRegularExpressionMatch m = next.match(line);
            if (!m.hasMatch() || unescaped(m.captured(1)) != set.fileName)
                badLine(path, i + 1, lines[i], Text(Res::JoinNotCopyLine));
            piece = unescaped(m.captured(2));
        }
        if (!seen.insert(checkPiece(path, i + 1, lines[i], piece, set.fileName, 0)).second)
            badLine(path, i + 1, lines[i], Text(Res::JoinRepeatedPiece).arg(piece));
        set.pieces << piece;
    }
    if (set.pieces.isEmpty())
        return std::nullopt;
    return set;
}
