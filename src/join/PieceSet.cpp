#include "join/PieceSet.h"

#include "core/JobError.h"
#include "core/PathNames.h"
#include "core/StringTable.h"
#include "join/SetFiles.h"
// The splitter writes the batch file and join script: its readers tell ours from others.
#include "split/BatchFile.h"
#include "split/ReceiverFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <optional>

#include <sys/stat.h>

namespace {

// Lists and batch files of a set are small: a line for each piece, and at most 32767 pieces.
constexpr qint64 kMaxListBytes = 16 << 20;

enum class Kind { None, Piece, List, Script, Batch };

// What a name is in the set of base: "report.007", "report.sha256", "report.sh", "report.bat" or "report.txt".
Kind kindOf(const QString& name, QString* base = nullptr) {
    const QString b = PieceBase(name);
    const QString tail = name.mid(b.size());
    if (b.isEmpty())
        return Kind::None;
    if (base)
        *base = b;
    static const QRegularExpression digits(QStringLiteral("^[0-9]{3,18}$"));
    if (digits.match(tail).hasMatch() && tail.toLongLong() >= 1 && PieceName(b, tail.toLongLong()) == name)
        return Kind::Piece;
    if (tail == u"sha256")
        return Kind::List;
    if (tail == u"sh")
        return Kind::Script;
    if (tail == u"bat" || tail == u"txt") // a batch file that went by mail as text
        return Kind::Batch;
    return Kind::None;
}

bool isRegularFile(const QString& path, int64_t* size = nullptr) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (size)
        *size = st.st_size;
    return true;
}

QByteArray readSmall(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw JobError(Text(Res::JoinCannotRead).arg(path, file.errorString()));
    return file.read(kMaxListBytes);
}

// The first folder that holds a regular file of the name; empty when none does.
QString lookUp(const QStringList& folders, const QString& name) {
    for (const QString& folder : folders)
        if (const QString path = JoinPath(folder, name); isRegularFile(path))
            return path;
    return {};
}

// The numbered pieces of base in the folders, by number: the first folder that holds one.
std::map<int64_t, QString> numberedPieces(const QStringList& folders, const QString& base) {
    std::map<int64_t, QString> found;
    for (const QString& folder : folders) {
        const QStringList names = QDir(folder.isEmpty() ? QStringLiteral(".") : folder).entryList(QDir::Files);
        for (const QString& name : names) {
            QString b;
            if (kindOf(name, &b) == Kind::Piece && b == base)
                found.emplace(name.mid(base.size()).toLongLong(), name);
        }
    }
    return found;
}

// The set's base in a folder: the one base its pieces, lists and batch files have.
QString baseInFolder(const QString& folder) {
    std::map<QString, bool> bases; // base -> has a piece
    for (const QString& name : QDir(folder).entryList(QDir::Files)) {
        QString b;
        const Kind kind = kindOf(name, &b);
        if (kind == Kind::Piece)
            bases[b] = true;
        else if (kind == Kind::List || kind == Kind::Batch)
            bases.emplace(b, false);
    }
    QStringList withPieces;
    for (const auto& [b, piece] : bases)
        if (piece)
            withPieces << PieceName(b, 1);
    if (withPieces.isEmpty())
        throw JobError(Text(Res::JoinNoSet).arg(folder));
    if (withPieces.size() > 1)
        throw JobError(Text(Res::JoinSeveralSets).arg(folder, withPieces.join(QStringLiteral(", "))));
    return PieceBase(withPieces.front());
}

void fillFromList(PieceSet& set, const ListedSet& listed) {
    set.fileName = listed.fileName;
    set.wholeDigest = listed.wholeDigest;
    for (qsizetype i = 0; i < listed.pieces.size(); ++i) {
        PieceSet::Piece piece{listed.pieces[i], lookUp(set.folders, listed.pieces[i]),
                              listed.digests.empty() ? QByteArray() : listed.digests[size_t(i)], 0};
        if (!piece.path.isEmpty())
            isRegularFile(piece.path, &piece.size);
        set.pieces.push_back(piece);
    }
}

} // namespace

QStringList PieceSet::missing() const {
    QStringList names;
    for (const Piece& p : pieces)
        if (p.path.isEmpty())
            names << p.name;
    return names;
}

int64_t PieceSet::size() const {
    int64_t total = 0;
    for (const Piece& p : pieces)
        total += p.size;
    return total;
}

QString PieceSet::present() const {
    QStringList runs;
    for (size_t i = 0; i < pieces.size();) {
        if (pieces[i].path.isEmpty()) {
            ++i;
            continue;
        }
        size_t j = i;
        while (j + 1 < pieces.size() && !pieces[j + 1].path.isEmpty())
            ++j;
        runs << (i == j ? pieces[i].name : pieces[i].name + Text(Res::To) + pieces[j].name);
        i = j + 1;
    }
    return runs.join(QStringLiteral(", "));
}

PieceSet FindSet(const QString& opened, const QStringList& moreFolders) {
    PieceSet set;
    const QFileInfo info(opened);
    if (info.isDir()) {
        set.folder = QDir::cleanPath(info.absoluteFilePath());
        set.base = baseInFolder(set.folder);
    } else {
        if (!info.exists())
            throw JobError(Text(Res::JoinCannotRead).arg(opened, SystemReason(ENOENT)));
        set.folder = info.absolutePath();
        if (kindOf(ExtractFileName(opened), &set.base) == Kind::None)
            throw JobError(Text(Res::JoinNotSetFile).arg(opened));
    }
    set.folders << set.folder;
    for (const QString& folder : moreFolders)
        if (!set.folders.contains(folder))
            set.folders << folder;

    if (const QString list = lookUp(set.folders, ChecksumListName(set.base)); !list.isEmpty()) {
        set.from = PieceSet::From::ChecksumList;
        set.readFrom = list;
        fillFromList(set, ReadChecksumList(list, readSmall(list)));
        return set;
    }
    for (const QString& batchName : {BatchName(set.base), set.base + QStringLiteral("txt")}) {
        const QString batch = lookUp(set.folders, batchName);
        if (batch.isEmpty())
            continue;
        const QByteArray text = readSmall(batch);
        // A .txt is a batch file only when it reads as one of ours (one sent as text); else it is somebody's text.
        if (batchName.endsWith(u"txt") && !ReadBatchFile(text))
            continue;
        if (const std::optional<ListedSet> listed = ReadBatchCopies(batch, text)) {
            set.from = PieceSet::From::BatchFile;
            set.readFrom = batch;
            fillFromList(set, *listed);
            return set;
        }
    }
    // Without a list the file's name is a guess: the base without its dot ("report." rebuilds "report").
    set.from = PieceSet::From::NumberedPieces;
    set.fileName = set.base.endsWith(u'.') ? set.base.chopped(1) : set.base;
    const std::map<int64_t, QString> found = numberedPieces(set.folders, set.base);
    const int64_t last = found.empty() ? 1 : found.rbegin()->first;
    if (last > 32767) // no splitter writes more; a name like report.999999999 would make a list without end
        throw JobError(Text(Res::JoinNotSetFile).arg(JoinPath(set.folder, PieceName(set.base, last))));
    for (int64_t n = 1; n <= last; ++n) {
        const QString name = PieceName(set.base, n);
        set.pieces.push_back({name, lookUp(set.folders, name), {}, 0});
        if (!set.pieces.back().path.isEmpty())
            isRegularFile(set.pieces.back().path, &set.pieces.back().size);
    }
    return set;
}

bool IsSetFile(const QString& path) {
    const Kind kind = kindOf(ExtractFileName(path));
    if (kind == Kind::None || !isRegularFile(path))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(kind == Kind::Batch ? kMaxListBytes : 4096);
    switch (kind) {
    case Kind::Piece:
        return true;
    case Kind::List:
    case Kind::Script:
        return IsOwnReceiverFile(head);
    case Kind::Batch:
        return ReadBatchFile(head).has_value();
    case Kind::None:
        break;
    }
    return false;
}
