#include "split/SplitFile.h"

#include "app/ResStrings.h"
#include "split/BatchFile.h"
#include "split/Fd.h"
#include "split/JobError.h"
#include "split/PathNames.h"
#include "split/PieceCopier.h"
#include "split/VbConvert.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

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
        throw JobError(LoadResString(Res::NoSuchFolder).arg(folder));
    if (!S_ISDIR(st.st_mode))
        throw JobError(LoadResString(Res::NotAFolder).arg(folder));
}

bool sameFile(const struct stat& a, const QString& path) {
    struct stat b {};
    return ::stat(nativePath(path).constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

int SplitFile(const QString& source, int64_t pieceSize, const QString& folder, bool batchRemLines, Shell& shell) {
    shell.SetBusy(true);
    shell.ShowProgress(1, QString());

    if (source.isEmpty())
        throw JobError(LoadResString(Res::NoSourceFile));
    if (pieceSize <= 0)
        throw JobError(LoadResString(Res::BadPieceSize).arg(pieceSize));

    Fd in(::open(nativePath(source).constData(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0)
        throw JobError(LoadResString(Res::CannotReadSource).arg(source, SystemReason(errno)));
    struct stat st {};
    if (::fstat(in.get(), &st) != 0)
        throw JobError(LoadResString(Res::CannotReadSource).arg(source, SystemReason(errno)));
    if (S_ISDIR(st.st_mode))
        throw JobError(LoadResString(Res::SourceIsFolder).arg(source));
    const int64_t length = st.st_size;

    const QString dir = effectiveFolder(source, folder);
    checkFolder(dir);

    const QString fileName = ExtractFileName(source);
    const QString base = PieceBase(source);
    CheckBatchSafeName(fileName);

    const int64_t full = length / pieceSize;
    const int64_t count = full + 1;
    if (count > kMaxPieces)
        throw JobError(LoadResString(Res::TooManyPieces).arg(source).arg(pieceSize).arg(count));

    // A source named like one of its own pieces (report.001, report.bat) in the same folder would be
    // destroyed by the first write.
    for (int64_t i = 1; i <= count; ++i)
        if (sameFile(st, JoinPath(dir, PieceName(base, i))))
            throw JobError(LoadResString(Res::OverwritesSource).arg(source));
    if (sameFile(st, JoinPath(dir, BatchName(base))))
        throw JobError(LoadResString(Res::OverwritesSource).arg(source));

    PieceCopier copier;
    auto writePiece = [&](int64_t number, int64_t offset, int64_t bytes) {
        const QString path = JoinPath(dir, PieceName(base, number));
        Fd out(::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (out.get() < 0)
            throw JobError(LoadResString(Res::CannotWrite).arg(path, SystemReason(errno)));
        int error = 0;
        bool sourceEnded = false;
        try {
            copier.copy(in.get(), offset, out.get(), bytes);
        } catch (const CopyFailure& f) {
            error = f.error;
            sourceEnded = f.error == 0;
        }
        const int closeError = out.close();
        if (!error && !sourceEnded)
            error = closeError;
        if (error || sourceEnded) {
            ::unlink(nativePath(path).constData());
            if (sourceEnded)
                throw JobError(LoadResString(Res::SourceChanged).arg(source));
            throw JobError(LoadResString(Res::CannotWrite).arg(path, SystemReason(error)));
        }
        return path;
    };

    for (int64_t i = 1; i <= full; ++i) {
        writePiece(i, (i - 1) * pieceSize, pieceSize);
        const double percent = static_cast<double>(i) * static_cast<double>(pieceSize) / static_cast<double>(length);
        shell.ShowProgress(static_cast<int>(RoundHalfEven(percent * 100)), LoadResString(1049) + PieceName(base, i));
    }
    writePiece(count, full * pieceSize, length - full * pieceSize);
    shell.ShowProgress(100, LoadResString(1049) + PieceName(base, count));

    // The batch file is written whole or not at all.
    const QString batchPath = JoinPath(dir, BatchName(base));
    QSaveFile batch(batchPath);
    const QByteArray text = BatchFileText(fileName, base, count, batchRemLines);
    if (!batch.open(QIODevice::WriteOnly) || batch.write(text) != text.size() || !batch.commit())
        throw JobError(LoadResString(Res::CannotWrite).arg(batchPath, batch.errorString()));

    return static_cast<int>(count);
}
