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

} // namespace

int64_t PieceCount(int64_t length, int64_t pieceSize) {
    return std::max<int64_t>(1, length / pieceSize + (length % pieceSize != 0));
}

int SplitFile(const QString& source, int64_t pieceSize, const QString& folder, bool batchRemLines, Shell& shell,
              bool receiverFiles, std::vector<QByteArray>* pieceDigests) {
    shell.SetBusy(true);
    shell.ShowProgress(1, QString());

    if (source.isEmpty())
        throw JobError(Text(Res::NoSourceFile));
    if (pieceSize <= 0)
        throw JobError(Text(Res::BadPieceSize).arg(pieceSize));

    // A named pipe must not make the open wait for a writer that never comes.
    Fd in(::open(nativePath(source).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (in.get() < 0)
        throw JobError(Text(Res::CannotReadSource).arg(source, SystemReason(errno)));
    struct stat st {};
    if (::fstat(in.get(), &st) != 0)
        throw JobError(Text(Res::CannotReadSource).arg(source, SystemReason(errno)));
    if (S_ISDIR(st.st_mode))
        throw JobError(Text(Res::SourceIsFolder).arg(source));
    if (!S_ISREG(st.st_mode))
        throw JobError(Text(Res::NotARegularFile).arg(source, KindOfFile(st.st_mode)));
    const int64_t length = st.st_size;

    const QString dir = effectiveFolder(source, folder);
    checkFolder(dir);

    const QString fileName = ExtractFileName(source);
    const QString base = PieceBase(source);
    CheckBatchSafeName(fileName);

    const int64_t count = PieceCount(length, pieceSize);
    if (count > kMaxPieces)
        throw JobError(Text(Res::TooManyPieces).arg(source).arg(pieceSize).arg(count));
    CheckReceiverName(fileName, count, receiverFiles);
    PieceFolder::CheckNamesFit(dir, fileName, LongestSetNames(fileName, count, receiverFiles).mid(1));

    // A source that is also one of its set's files under another name (a hard link) would be destroyed by the
    // first write.
    for (int64_t i = 1; i <= count; ++i)
        if (sameFile(st, JoinPath(dir, PieceName(base, i))))
            throw JobError(Text(Res::OverwritesSource).arg(source));
    if (sameFile(st, JoinPath(dir, BatchName(base))))
        throw JobError(Text(Res::OverwritesSource).arg(source));

    const PieceFolder pieces(dir, base);
    pieces.checkNames(count);
    const QString list = ChecksumListName(base), script = JoinScriptName(base);
    if (receiverFiles) {
        for (const QString& own : {list, script})
            if (pieces.holdsForeign(own))
                throw JobError(Text(Res::ForeignReceiverFile).arg(dir, pieces.path(own)));
    }
    const BatchSet earlier = pieces.previous();
    if (earlier.pieceCount != 0 && earlier.fileName != fileName)
        throw JobError(Text(Res::OtherSetInFolder).arg(dir, pieces.path(BatchName(base)), fileName));

    const StopOnSignals stop;
    PieceCopier copier;
    try {
        // The batch file marks a whole set: the old one goes first, the new one comes last. A checksum list and
        // join script of ours would speak of the old pieces.
        pieces.remove(BatchName(base));
        for (const QString& own : {list, script})
            if (!pieces.holdsForeign(own))
                pieces.remove(own);
        std::unique_ptr<PieceHasher> hasher;
        if (receiverFiles || pieceDigests)
            hasher = std::make_unique<PieceHasher>();
        for (int64_t i = 1; i <= count; ++i) {
            const int64_t offset = (i - 1) * pieceSize;
            pieces.writeWhole(PieceName(base, i), [&](int fd) {
                try {
                    const int64_t size = i < count ? pieceSize : length - (count - 1) * pieceSize;
                    copier.copy(in.get(), offset, fd, size);
                    if (hasher)
                        hasher->add(fd, size);
                    return 0;
                } catch (const CopyFailure& f) {
                    if (f.error == 0) // the source ended early
                        throw JobError(Text(Res::SourceChanged).arg(source));
                    return f.error;
                }
            });
            const int64_t done = std::min(i * pieceSize, length);
            const double percent = length ? 100.0 * static_cast<double>(done) / static_cast<double>(length) : 100.0;
            shell.ShowProgress(static_cast<int>(RoundHalfEven(percent)), WritingText(PieceName(base, i)));
        }
        // The content must end where the size said when the split began (as /proc files do not).
        char more = 0;
        if (const ssize_t n = ::pread(in.get(), &more, 1, length); n != 0)
            throw JobError(n > 0 ? Text(Res::SourceChanged).arg(source)
                                 : Text(Res::CannotReadSource).arg(source, SystemReason(errno)));
        if (hasher) {
            const PieceHasher::Digests digests = hasher->finish();
            if (digests.error != 0)
                throw JobError(Text(Res::CannotReadBack).arg(dir, SystemReason(digests.error)));
            if (receiverFiles) {
                writeText(pieces, list, ChecksumList(fileName, base, digests.pieces, digests.whole));
                writeText(pieces, script, JoinScript(fileName, base, count));
            }
            if (pieceDigests)
                *pieceDigests = digests.pieces;
        }
        const QByteArray text = BatchFileText(fileName, base, count, batchRemLines);
        writeText(pieces, BatchName(base), text);
    } catch (const JobError& e) {
        QString message =
            StopRequested() ? Text(Res::Stopped).arg(source, QString::fromLatin1(StopRequested())) : e.message();
        const QString there = pieces.present(std::max(count, earlier.pieceCount));
        message += there.isEmpty() ? Text(Res::NoPieceThere).arg(fileName) : Text(Res::PiecesThere).arg(dir, there);
        throw JobError(message);
    }
    // Pieces of the earlier set beyond this one's would rebuild nothing now.
    for (int64_t i = count + 1; i <= earlier.pieceCount; ++i)
        pieces.remove(PieceName(base, i));
    return static_cast<int>(count);
}
