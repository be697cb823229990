#include "disks/DiskSeries.h"

#include "core/Fd.h"
#include "core/JobError.h"
#include "core/NumberText.h"
#include "core/PathNames.h"
#include "core/Sentences.h"
#include "core/StringTable.h"
#include "disks/RemovableDrive.h"
// A piece goes onto a disk as it goes into a folder: through the kernel's copy, with the same stop checks.
#include "split/PieceCopier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Replaces an existing destination. Returns 0 or the errno of the failure; a failed copy leaves no part of
// the piece on the disk, where it would look like a whole one.
int copyFile(const QString& from, const QString& to) {
    const QByteArray target = QFile::encodeName(to);
    Fd in(::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0)
        return errno;
    Fd out(::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.get() < 0)
        return errno;
    int error = 0;
    try {
        PieceCopier().copy(in.get(), 0, out.get(), st.st_size);
        // The user takes the disk out next: the piece must be on it, not in a cache.
        if (::fsync(out.get()) != 0)
            error = errno;
    } catch (const CopyFailure& f) {
        error = f.error != 0 ? f.error : EIO; // 0: the piece got shorter while it was copied
    }
    if (const int closed = out.close(); error == 0)
        error = closed;
    if (error != 0)
        ::unlink(target.constData());
    return error;
}

int64_t percent(int64_t numerator, int64_t denominator) {
    return static_cast<int64_t>(
        RoundHalfEven(100.0 * static_cast<double>(numerator) / static_cast<double>(denominator)));
}

} // namespace

QByteArray ReadMeText(const QString& body) {
    QString text = body + Text(Res::Footer);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text.toUtf8();
}

DiskSeries::DiskSeries(QString drive, QString body, Shell& shell)
    : drive_(std::move(drive)), body_(std::move(body)), shell_(shell) {}

bool DiskSeries::boxOk(Res::Id textId, MsgIcon icon) {
    return shell_.MsgBox({DriveText(textId, drive_), MsgButtons::OkCancel, icon, 0, {}}) == MsgResult::Ok;
}

DiskSeries::Step DiskSeries::fileError(const QString& text, Step onOk) {
    const MsgResult r = shell_.MsgBox({text, MsgButtons::OkCancel, MsgIcon::Critical, 0, {}});
    return r == MsgResult::Ok ? onOk : Step::Cancel;
}

DiskSeries::Step DiskSeries::checkDisk() {
    for (;;) {
        if (!GetDrive(drive_).ready) {
            if (!boxOk(Res::InsertDisk, MsgIcon::Exclamation))
                return Step::Cancel;
            continue;
        }
        if (!DiskHoldsData(drive_))
            return Step::Go;
        // No is the default: a stray Enter must not delete a disk's files.
        switch (shell_.MsgBox(
            {DriveText(Res::EmptyDiskQuestion, drive_), MsgButtons::YesNoCancel, MsgIcon::Question, 1, {}})) {
        case MsgResult::Yes:
            // The disk may have been taken out while the question was up: never empty a folder that is not a disk.
            if (!GetDrive(drive_).ready)
                continue;
            if (const Step emptied = emptyDisk(); emptied != Step::Go)
                return emptied;
            return Step::Go;
        case MsgResult::No:
            if (!boxOk(Res::InsertAnotherDisk, MsgIcon::Information))
                return Step::Cancel;
            continue;
        default:
            return Step::Cancel;
        }
    }
}

DiskSeries::Step DiskSeries::emptyDisk() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path top(QFile::encodeName(drive_).toStdString());
    std::vector<fs::path> files;
    for (fs::directory_iterator it(top, ec), end; !ec && it != end; it.increment(ec))
        if (!it->is_directory(ec) || it->is_symlink(ec))
            files.push_back(it->path()); // files of the top folder only; folders and what they hold stay
    if (ec)
        return fileError(Text(Res::CannotDelete).arg(drive_, SystemReason(ec.value())), Step::Again);
    for (const fs::path& file : files)
        if (const Step step = deleteFile(QFile::decodeName(file.c_str()), Step::Again); step != Step::Go)
            return step;
    return Step::Go;
}

DiskSeries::Step DiskSeries::deleteFile(const QString& path, Step onOk) {
    if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        return fileError(Text(Res::CannotDelete).arg(path, SystemReason(errno)), onOk);
    return Step::Go;
}

DiskSeries::Step DiskSeries::copy(const QString& name, const QString& tempFolder) {
    const QString from = JoinPath(tempFolder, name);
    const QString to = JoinPath(drive_, name);
    if (const int error = copyFile(from, to); error != 0)
        return fileError(Text(Res::CannotCopy).arg(from, to, SystemReason(error)), Step::Again);
    return Step::Go;
}

DiskSeries::Step DiskSeries::writeReadMe(const QString& receiverBase) {
    QSaveFile readMe(JoinPath(drive_, QStringLiteral("Read_Me.txt")));
    const QByteArray text = ReadMeText(body_ + ReceiverFilesNote(receiverBase));
    if (!readMe.open(QIODevice::WriteOnly) || readMe.write(text) != text.size() || !readMe.commit())
        return fileError(Text(Res::CannotCreate).arg(readMe.fileName(), readMe.errorString()), Step::Again);
    return Step::Go;
}

DiskSeries::Step DiskSeries::flushDisk() {
    Fd folder(::open(QFile::encodeName(drive_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0 || ::syncfs(folder.get()) != 0)
        return fileError(Text(Res::DiskNotWritten).arg(drive_, SystemReason(errno)), Step::Again);
    return Step::Go;
}

DiskSeries::Step DiskSeries::writeDisk(int i, int pieceCount, const QString& base, const QString& tempFolder) {
    const int64_t steps = 2 * int64_t{pieceCount} + 2;
    const QString piece = PieceName(base, i);
    shell_.ShowProgress(static_cast<int>(percent(2 * int64_t{i}, steps)), CopyingText(piece, drive_));
    if (const Step step = copy(piece, tempFolder); step != Step::Go)
        return step;
    shell_.ShowProgress(static_cast<int>(percent(2 * int64_t{i} + 1, steps)), CopiedText(piece, drive_));
    if (i == pieceCount) {
        shell_.ShowProgress(100, CopyingText(BatchName(base), drive_));
        for (const QString& name : {BatchName(base), ChecksumListName(base), JoinScriptName(base)}) {
            if (name != BatchName(base) && !QFileInfo::exists(JoinPath(tempFolder, name)))
                continue; // the receiver's files were not asked for
            if (const Step step = copy(name, tempFolder); step != Step::Go)
                return step;
        }
        if (const Step step =
                writeReadMe(QFileInfo::exists(JoinPath(tempFolder, JoinScriptName(base))) ? base : QString());
            step != Step::Go)
            return step;
    }
    return flushDisk();
}

bool DiskSeries::write(const QString& source, int pieceCount, const QString& tempFolder) {
    BusyPointer busy(shell_);
    shell_.ShowProgress(1, QString());
    const QString base = PieceBase(source);

    for (int i = 1; i <= pieceCount; ++i) {
        // A disk that failed is never passed over: its files go onto another one.
        Step step = Step::Again;
        while (step == Step::Again) {
            step = checkDisk();
            if (step == Step::Go)
                step = writeDisk(i, pieceCount, base, tempFolder);
        }
        if (step == Step::Cancel)
            return false;
        if (i < pieceCount) {
            const QString next = InsertDiskText(i + 1, pieceCount, drive_);
            if (shell_.MsgBox({next, MsgButtons::OkCancel, MsgIcon::Information, 0, {}}) != MsgResult::Ok)
                return false;
        }
    }

    shell_.ShowProgress(100, Text(Res::DeletingTemporaryPieces));
    QStringList names;
    for (int i = 1; i <= pieceCount; ++i)
        names << PieceName(base, i);
    names << BatchName(base) << ChecksumListName(base) << JoinScriptName(base);
    for (const QString& name : names)
        if (deleteFile(JoinPath(tempFolder, name), Step::Go) == Step::Cancel)
            return false;
    QDir().rmdir(tempFolder); // only when nothing else is left in it
    return true;
}
