#include "split/SplitFile.h"

#include "core/Fd.h"
#include "core/JobError.h"
#include "core/NumberText.h"
#include "core/PathNames.h"
#include "core/Sentences.h"
#include "core/StopSignals.h"
#include "core/StringTable.h"
#include "split/BatchFile.h"
#include "split/PieceCopier.h"
#include "split/PieceFolder.h"
#include "split/PieceHasher.h"
#include "split/ReceiverFiles.h"
#include "split/SetNames.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

QString effectiveFolder(const QString& source, const QString& folder) {
    if (!folder.trimmed().isEmpty())
        return folder;
    return GetPath(source);
}

void checkFolder(const QString& folder) {
    if (folder.isEmpty())
        return; // the current folder
    struct stat st {};
    if (::stat(nativePath(folder).constData(), &st) != 0)
        throw JobError(Text(Res::NoSuchFolder).arg(folder));
    if (!S_ISDIR(st.st_mode))
        throw JobError(Text(Res::NotAFolder).arg(folder));
}

bool sameFile(const struct stat& a, const QString& path) {
    struct stat b {};
    return ::stat(nativePath(path).constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

void writeText(const PieceFolder& pieces, const QString& name, const QByteArray& text) {
    pieces.writeWhole(name, [&](int fd) {
        for (qsizetype done = 0; done < text.size();) {
            const ssize_t n = ::write(fd, text.constData() + done, static_cast<size_t>(text.size() - done));
            if (n < 0 && errno != EINTR)
                return errno;
            done += std::max<ssize_t>(n, 0);
        }
        return 0;
    });
}

// The file to split, open for reading, and the names its set is made of.
struct Source {
    QString path;
    QString fileName;
    QString base;
    Fd fd;
    struct stat st {};
    int64_t length = 0;
};

// How the source is cut, and what goes beside the pieces.
struct Cut {
    int64_t pieceSize = 0;
    int64_t count = 0;
    bool batchRemLines = false;
    bool receiverFiles = false;
    std::vector<QByteArray>* pieceDigests = nullptr;
};

// Refuses what cannot be split: no file, no piece size, a file that cannot be read or is no ordinary file.
Source openSource(const QString& path, int64_t pieceSize) {
    if (path.isEmpty())
        throw JobError(Text(Res::NoSourceFile));
    if (pieceSize <= 0)
        throw JobError(Text(Res::BadPieceSize).arg(pieceSize));
    Source source{path, ExtractFileName(path), PieceBase(path), Fd(), {}, 0};
    // A named pipe must not make the open wait for a writer that never comes.
    source.fd = Fd(::open(nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (source.fd.get() < 0)
        throw JobError(Text(Res::CannotReadSource).arg(path, SystemReason(errno)));
    if (::fstat(source.fd.get(), &source.st) != 0)
        throw JobError(Text(Res::CannotReadSource).arg(path, SystemReason(errno)));
    if (S_ISDIR(source.st.st_mode))
        throw JobError(Text(Res::SourceIsFolder).arg(path));
    if (!S_ISREG(source.st.st_mode))
        throw JobError(Text(Res::NotARegularFile).arg(path, KindOfFile(source.st.st_mode)));
    source.length = source.st.st_size;
    return source;
}

// Refuses a set that the batch file cannot carry, the receiver cannot rebuild or the folder cannot hold, and one
// whose writing would destroy the source.
void checkSet(const QString& dir, const Source& source, const Cut& cut) {
    CheckBatchSafeName(source.fileName);
    if (cut.count > kMaxPieces)
        throw JobError(Text(Res::TooManyPieces).arg(source.path).arg(cut.pieceSize).arg(cut.count));
    CheckReceiverName(source.fileName, cut.count, cut.receiverFiles);
    PieceFolder::CheckNamesFit(dir, source.fileName,
                               LongestSetNames(source.fileName, cut.count, cut.receiverFiles).mid(1));
    // A source that is also one of its set's files under another name (a hard link) would be destroyed by the
    // first write.
    for (int64_t i = 1; i <= cut.count; ++i)
        if (sameFile(source.st, JoinPath(dir, PieceName(source.base, i))))
            throw JobError(Text(Res::OverwritesSource).arg(source.path));
    if (sameFile(source.st, JoinPath(dir, BatchName(source.base))))
        throw JobError(Text(Res::OverwritesSource).arg(source.path));
}

// Refuses a folder whose files stand in the way of the set; returns the set that is there already.
BatchSet checkContents(const PieceFolder& pieces, const QString& dir, const Source& source, const Cut& cut) {
    pieces.checkNames(cut.count);
    if (cut.receiverFiles) {
        for (const QString& own : {ChecksumListName(source.base), JoinScriptName(source.base)})
            if (pieces.holdsForeign(own))
                throw JobError(Text(Res::ForeignReceiverFile).arg(dir, pieces.path(own)));
    }
    const BatchSet earlier = pieces.previous();
    if (earlier.pieceCount != 0 && earlier.fileName != source.fileName)
        throw JobError(Text(Res::OtherSetInFolder).arg(dir, pieces.path(BatchName(source.base)), source.fileName));
    return earlier;
}

// Writes the pieces, each whole under its own name, hashed on the way when a hasher is given.
void writePieces(const PieceFolder& pieces, const Source& source, const Cut& cut, PieceHasher* hasher, Shell& shell) {
    PieceCopier copier;
    const int64_t length = source.length;
    for (int64_t i = 1; i <= cut.count; ++i) {
        const int64_t offset = (i - 1) * cut.pieceSize;
        pieces.writeWhole(PieceName(source.base, i), [&](int fd) {
            try {
                const int64_t size = i < cut.count ? cut.pieceSize : length - (cut.count - 1) * cut.pieceSize;
                copier.copy(source.fd.get(), offset, fd, size, hasher);
                return 0;
            } catch (const CopyFailure& f) {
                if (f.error == 0) // the source ended early
                    throw JobError(Text(Res::SourceChanged).arg(source.path));
                return f.error;
            }
        });
        const int64_t done = std::min(i * cut.pieceSize, length);
        const double percent = length ? 100.0 * static_cast<double>(done) / static_cast<double>(length) : 100.0;
        shell.ShowProgress(static_cast<int>(RoundHalfEven(percent)), WritingText(PieceName(source.base, i)));
    }
    // The content must end where the size said when the split began (as /proc files do not).
    char more = 0;
    if (const ssize_t n = ::pread(source.fd.get(), &more, 1, length); n != 0)
        throw JobError(n > 0 ? Text(Res::SourceChanged).arg(source.path)
                             : Text(Res::CannotReadSource).arg(source.path, SystemReason(errno)));
}

// The set, whole or without a batch file: the old batch file goes first, the new one comes last. A checksum list
// and join script of ours would speak of the old pieces.
void writeSet(const PieceFolder& pieces, const Source& source, const Cut& cut, Shell& shell) {
    const QString list = ChecksumListName(source.base), script = JoinScriptName(source.base);
    pieces.remove(BatchName(source.base));
    for (const QString& own : {list, script})
        if (!pieces.holdsForeign(own))
            pieces.remove(own);
    std::unique_ptr<PieceHasher> hasher;
    if (cut.receiverFiles || cut.pieceDigests)
        hasher = std::make_unique<PieceHasher>();
    writePieces(pieces, source, cut, hasher.get(), shell);
    if (hasher) {
        const PieceHasher::Digests digests = hasher->finish();
        if (cut.receiverFiles) {
            writeText(pieces, list, ChecksumList(source.fileName, source.base, digests.pieces, digests.whole));
            writeText(pieces, script, JoinScript(source.fileName, source.base, cut.count));
        }
        if (cut.pieceDigests)
            *cut.pieceDigests = digests.pieces;
    }
    writeText(pieces, BatchName(source.base),
              BatchFileText(source.fileName, source.base, cut.count, cut.batchRemLines));
}

// Why the set was not written, and which of its pieces the folder holds now.
QString notWritten(const JobError& e, const PieceFolder& pieces, const QString& dir, const Source& source,
                   int64_t last) {
    QString message =
        StopRequested() ? Text(Res::Stopped).arg(source.path, QString::fromLatin1(StopRequested())) : e.message();
    const QString there = pieces.present(last);
    return message +
           (there.isEmpty() ? Text(Res::NoPieceThere).arg(source.fileName) : Text(Res::PiecesThere).arg(dir, there));
}

} // namespace

int64_t PieceCount(int64_t length, int64_t pieceSize) {
    return std::max<int64_t>(1, length / pieceSize + (length % pieceSize != 0));
}

int SplitFile(const QString& sourcePath, int64_t pieceSize, const QString& folder, bool batchRemLines, Shell& shell,
              bool receiverFiles, std::vector<QByteArray>* pieceDigests) {
    shell.SetBusy(true);
    shell.ShowProgress(1, QString());
    const Source source = openSource(sourcePath, pieceSize);
    const QString dir = effectiveFolder(sourcePath, folder);
    checkFolder(dir);
    const Cut cut{pieceSize, PieceCount(source.length, pieceSize), batchRemLines, receiverFiles, pieceDigests};
    checkSet(dir, source, cut);
    const PieceFolder pieces(dir, source.base);
    const BatchSet earlier = checkContents(pieces, dir, source, cut);

    const StopOnSignals stop;
    try {
        writeSet(pieces, source, cut, shell);
    } catch (const JobError& e) {
        throw JobError(notWritten(e, pieces, dir, source, std::max(cut.count, earlier.pieceCount)));
    }
    // Pieces of the earlier set beyond this one's would rebuild nothing now.
    for (int64_t i = cut.count + 1; i <= earlier.pieceCount; ++i)
        pieces.remove(PieceName(source.base, i));
    return static_cast<int>(cut.count);
}
