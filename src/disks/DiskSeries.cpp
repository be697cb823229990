#include "disks/DiskSeries.h"

#include "core/ComponentError.h"
#include "core/Fd.h"
#include "core/JobError.h"
#include "core/NumberText.h"
#include "core/PathNames.h"
#include "core/Sentences.h"
#include "core/StringTable.h"
#include "disks/FolderSlot.h"
// A piece goes onto a disk as it goes into a folder: through the kernel's copy, with the same stop checks.
#include "split/PieceCopier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Room kept for Read_Me.txt beyond its body: the footer and the notes.
constexpr int64_t kReadMeNotes = 1024;

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
    : ownSlot_(std::make_unique<FolderSlot>(std::move(drive))), slot_(*ownSlot_), body_(std::move(body)),
      shell_(shell) {}

DiskSeries::DiskSeries(DiskSlot& slot, QString body, Shell& shell)
    : slot_(slot), body_(std::move(body)), shell_(shell) {}

bool DiskSeries::boxOk(const QString& text, MsgIcon icon, std::function<bool()> answeredBy) {
    return shell_.MsgBox({text, MsgButtons::OkCancel, icon, 0, {}, std::move(answeredBy)}) == MsgResult::Ok;
}

DiskSeries::Step DiskSeries::fileError(const QString& text, Step onOk) {
    const MsgResult r = shell_.MsgBox({text, MsgButtons::OkCancel, MsgIcon::Critical, 0, {}});
    return r == MsgResult::Ok ? onOk : Step::Cancel;
}

DiskSeries::Step DiskSeries::checkDisk() {
    const int64_t largestPiece = pieceSizes_.empty() ? 0 : *std::max_element(pieceSizes_.begin(), pieceSizes_.end());
    for (;;) {
        try {
            disk_ = slot_.find();
        } catch (const ComponentError& e) {
            if (fileError(e.description(), Step::Again) == Step::Cancel)
                return Step::Cancel;
            continue;
        }
        if (!disk_.ready) {
            if (!boxOk(slot_.prompt(DiskSlot::Prompt::NoDisk, disk_, 0, 0), MsgIcon::Exclamation, slot_.arrival()))
                return Step::Cancel;
            continue;
        }
        if (disk_.largestFile >= 0 && largestPiece > disk_.largestFile) {
            const QString text =
                Text(Res::FileTooLargeForDisk).arg(disk_.name, disk_.folder).arg(disk_.largestFile).arg(largestPiece);
            if (!boxOk(text, MsgIcon::Exclamation))
                return Step::Cancel;
            slot_.decline();
            continue;
        }
        if (!DiskHoldsData(disk_.folder))
            return Step::Go;
        // No is the default: a stray Enter must not delete a disk's files.
        switch (shell_.MsgBox(
            {slot_.prompt(DiskSlot::Prompt::InUse, disk_, 0, 0), MsgButtons::YesNoCancel, MsgIcon::Question, 1, {}})) {
        case MsgResult::Yes:
            // The disk may have been taken out while the question was up: never empty a folder that is not a disk.
            if (!StillThere(disk_))
                continue;
            if (const Step emptied = emptyDisk(); emptied != Step::Go)
                return emptied;
            disk_.freeSpace = std::max(disk_.freeSpace, GetDrive(disk_.folder).freeSpace);
            return Step::Go;
        case MsgResult::No:
            slot_.decline();
            if (!boxOk(slot_.prompt(DiskSlot::Prompt::Another, disk_, 0, 0), MsgIcon::Information, slot_.arrival()))
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
    const fs::path top(QFile::encodeName(disk_.folder).toStdString());
    std::vector<fs::path> files;
    for (fs::directory_iterator it(top, ec), end; !ec && it != end; it.increment(ec))
        if (!it->is_directory(ec) || it->is_symlink(ec))
            files.push_back(it->path()); // files of the top folder only; folders and what they hold stay
    if (ec)
        return fileError(Text(Res::CannotDelete).arg(disk_.folder, SystemReason(ec.value())), Step::Again);
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

DiskSeries::Step DiskSeries::copy(const QString& name, int diskNumber) {
    const QString from = JoinPath(temp_, name);
    const QString to = JoinPath(disk_.folder, name);
    const int error = copyFile(from, to);
    if (!StillThere(disk_)) {
        // Pulled out: what was written went nowhere, or onto the folder beneath the disk.
        if (error == 0)
            ::unlink(QFile::encodeName(to).constData());
        const QString text = Text(Res::DiskTakenOut).arg(disk_.name, name).arg(diskNumber);
        return boxOk(text, MsgIcon::Exclamation) ? Step::Again : Step::Cancel;
    }
    if (error != 0)
        return fileError(Text(Res::CannotCopy).arg(from, to, SystemReason(error)), Step::Again);
    return Step::Go;
}

DiskSeries::Step DiskSeries::writeReadMe(const QString& receiverBase, const QString& diskNote) {
    QSaveFile readMe(JoinPath(disk_.folder, QStringLiteral("Read_Me.txt")));
    const QByteArray text = ReadMeText(body_ + ReceiverFilesNote(receiverBase) + diskNote);
    if (!readMe.open(QIODevice::WriteOnly) || readMe.write(text) != text.size() || !readMe.commit())
        return fileError(Text(Res::CannotCreate).arg(readMe.fileName(), readMe.errorString()), Step::Again);
    return Step::Go;
}

DiskSeries::Step DiskSeries::flushDisk() {
    Fd folder(::open(QFile::encodeName(disk_.folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0 || ::syncfs(folder.get()) != 0)
        return fileError(Text(Res::DiskNotWritten).arg(disk_.folder, SystemReason(errno)), Step::Again);
    return Step::Go;
}

void DiskSeries::release() {
    try {
        slot_.release();
    } catch (const ComponentError& e) {
        // The files are on the disk: the user can unmount it, and the series goes on.
        shell_.MsgBox({e.description(), MsgButtons::Ok, MsgIcon::Exclamation, 0, {}});
    }
}

DiskShare DiskSeries::plan(int first, int diskNumber) {
    if (!slot_.fillsDisks()) {
        diskCount_ = pieceCount_;
        return {1, first == pieceCount_};
    }
    int64_t closing = 0;
    for (const QString& name : {BatchName(base_), ChecksumListName(base_), JoinScriptName(base_)})
        closing += Footprint(QFileInfo(JoinPath(temp_, name)).size(), disk_.blockSize);
    const int64_t readMe = ReadMeText(body_ + ReceiverFilesNote(base_)).size() + kReadMeNotes;
    const DiskShare share = ShareOfDisk(pieceSizes_, first - 1, disk_.freeSpace, disk_.blockSize, readMe, closing);
    // Told on the prompts and in Read_Me.txt: the disks still needed if the others are like this one.
    diskCount_ =
        diskNumber - 1 + DisksNeeded(pieceSizes_, first - 1, disk_.freeSpace, disk_.blockSize, readMe, closing);
    return share;
}

DiskSeries::Step DiskSeries::writeDisk(int diskNumber, int first, const DiskShare& share) {
    const int64_t steps = 2 * int64_t{pieceCount_} + 2;
    const QString where = disk_.folder;
    for (int i = first; i < first + share.pieces; ++i) {
        const QString piece = PieceName(base_, i);
        shell_.ShowProgress(static_cast<int>(percent(2 * int64_t{i}, steps)), CopyingText(piece, where));
        if (const Step step = copy(piece, diskNumber); step != Step::Go)
            return step;
        shell_.ShowProgress(static_cast<int>(percent(2 * int64_t{i} + 1, steps)), CopiedText(piece, where));
    }
    const int lastPiece = first + share.pieces - 1;
    QString diskNote;
    if (slot_.fillsDisks()) {
        const QString held = share.pieces == 1
                                 ? PieceName(base_, first)
                                 : Text(Res::PieceRange).arg(PieceName(base_, first), PieceName(base_, lastPiece));
        diskNote = Text(Res::DiskReadMeNote).arg(diskNumber).arg(diskCount_).arg(held).arg(pieceCount_);
    }
    if (share.last) {
        shell_.ShowProgress(100, CopyingText(BatchName(base_), where));
        for (const QString& name : {BatchName(base_), ChecksumListName(base_), JoinScriptName(base_)}) {
            if (name != BatchName(base_) && !QFileInfo::exists(JoinPath(temp_, name)))
                continue; // the receiver's files were not asked for
            if (const Step step = copy(name, diskNumber); step != Step::Go)
                return step;
        }
        const bool receiverFiles = QFileInfo::exists(JoinPath(temp_, JoinScriptName(base_)));
        if (const Step step = writeReadMe(receiverFiles ? base_ : QString(), diskNote); step != Step::Go)
            return step;
    } else if (slot_.fillsDisks()) {
        if (const Step step = writeReadMe(QString(), diskNote); step != Step::Go)
            return step;
    }
    if (const Step step = flushDisk(); step != Step::Go)
        return step;
    // A disk pulled out as it was flushed may not hold its files.
    if (!StillThere(disk_)) {
        const QString text = Text(Res::DiskTakenOut).arg(disk_.name, PieceName(base_, lastPiece)).arg(diskNumber);
        return boxOk(text, MsgIcon::Exclamation) ? Step::Again : Step::Cancel;
    }
    return Step::Go;
}

bool DiskSeries::write(const QString& source, int pieceCount, const QString& tempFolder) {
    BusyPointer busy(shell_);
    shell_.ShowProgress(1, QString());
    base_ = PieceBase(source);
    temp_ = tempFolder;
    pieceCount_ = pieceCount;
    pieceSizes_.clear();
    for (int i = 1; i <= pieceCount; ++i)
        pieceSizes_.push_back(QFileInfo(JoinPath(temp_, PieceName(base_, i))).size());

    for (int first = 1, diskNumber = 1; first <= pieceCount; ++diskNumber) {
        // A disk that failed is never passed over: its files go onto another one.
        Step step = Step::Again;
        DiskShare share;
        while (step == Step::Again) {
            step = checkDisk();
            if (step == Step::Go) {
                share = plan(first, diskNumber);
                step = writeDisk(diskNumber, first, share);
            }
            if (step == Step::Again)
                slot_.decline();
        }
        if (step == Step::Cancel)
            return false;
        release();
        first += share.pieces;
        if (first <= pieceCount) {
            const QString next = slot_.prompt(DiskSlot::Prompt::Next, disk_, diskNumber + 1, diskCount_);
            if (!boxOk(next, MsgIcon::Information, slot_.arrival()))
                return false;
        }
    }

    shell_.ShowProgress(100, Text(Res::DeletingTemporaryPieces));
    QStringList names;
    for (int i = 1; i <= pieceCount; ++i)
        names << PieceName(base_, i);
    names << BatchName(base_) << ChecksumListName(base_) << JoinScriptName(base_);
    for (const QString& name : names)
        if (deleteFile(JoinPath(temp_, name), Step::Go) == Step::Cancel)
            return false;
    QDir().rmdir(temp_); // only when nothing else is left in it
    return true;
}
