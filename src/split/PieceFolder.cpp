#include "split/PieceFolder.h"

#include "core/JobError.h"
#include "core/PathNames.h"
#include "core/StringTable.h"
#include "split/ReceiverFiles.h"
#include "split/SetNames.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

QString hiddenName(const QString& name) {
    return u'.' + name + QStringLiteral(".part");
}

QString lockName(const QString& base) {
    return u'.' + base + QStringLiteral("brevimo-lock");
}

// Errors by which a file system refuses a name it cannot store (vfat: EINVAL; FUSE file systems: EPERM).
bool refusesName(int error) {
    return error == EINVAL || error == EPERM || error == EILSEQ || error == ENAMETOOLONG;
}

// The message for a file that could not be written, with advice that fits the reason.
QString writeFailure(const QString& folder, const QString& file, int error) {
    if (refusesName(error))
        return Text(Res::NameRefused).arg(file, SystemReason(error), folder.isEmpty() ? QStringLiteral(".") : folder);
    Res::Id text = Res::CannotWriteThere;
    if (error == ENOSPC || error == EDQUOT)
        text = Res::CannotWrite;
    else if (error == EFBIG)
        text = Res::FileTooLarge;
    return Text(text).arg(file, SystemReason(error));
}

} // namespace

PieceFolder::PieceFolder(QString folder, QString base)
    : folder_(std::move(folder)), base_(std::move(base)), lockPath_(JoinPath(folder_, lockName(base_))) {
    // A lock file that its holder removed while this job opened it is no lock: take the one at the name.
    for (;;) {
        Fd fd(::open(native(lockPath_).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (fd.get() < 0 && refusesName(errno))
            throw JobError(writeFailure(folder_, lockPath_, errno));
        if (fd.get() < 0)
            throw JobError(Text(Res::CannotCreate).arg(folder_, SystemReason(errno)));
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK)
                throw JobError(Text(Res::FolderBusy).arg(base_, folder_));
            throw JobError(Text(Res::CannotCreate).arg(lockPath_, SystemReason(errno)));
        }
        struct stat held {
        }, named{};
        if (::fstat(fd.get(), &held) == 0 && ::lstat(native(lockPath_).constData(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev) {
            lock_ = std::move(fd);
            return;
        }
    }
}

PieceFolder::~PieceFolder() {
    ::unlink(native(lockPath_).constData()); // before the lock goes, so that no one takes a lock on a lost file
}

QString PieceFolder::path(const QString& name) const {
    return JoinPath(folder_, name);
}

void PieceFolder::CheckNamesFit(const QString& folder, const QString& fileName, const QStringList& names) {
    const long max = ::pathconf(native(folder.isEmpty() ? QStringLiteral(".") : folder).constData(), _PC_NAME_MAX);
    const qsizetype limit = max > 0 ? std::min<qsizetype>(max, kNameMax) : kNameMax;
    QStringList written{lockName(PieceBase(fileName))};
    for (const QString& name : names)
        written << name << hiddenName(name);
    for (const QString& name : written) {
        const qsizetype bytes = native(name).size();
        if (bytes > limit)
            throw JobError(Text(Res::FolderNameTooLong)
                               .arg(fileName, folder.isEmpty() ? QStringLiteral(".") : folder, name)
                               .arg(bytes)
                               .arg(bytes - limit)
                               .arg(limit));
    }
}

void PieceFolder::checkNames(int64_t count) const {
    QStringList names{BatchName(base_), ChecksumListName(base_), JoinScriptName(base_)};
    for (int64_t i = 1; i <= count; ++i)
        names << PieceName(base_, i);
    for (const QString& name : names) {
        const QString file = path(name);
        struct stat st {};
        if (::lstat(native(file).constData(), &st) == 0 && !S_ISREG(st.st_mode))
            throw JobError(Text(Res::InTheWay).arg(file, KindOfFile(st.st_mode)));
    }
}

BatchSet PieceFolder::previous() const {
    QFile file(path(BatchName(base_)));
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw JobError(Text(Res::CannotReadSource).arg(file.fileName(), file.errorString()));
    // Ours has two lines of at most a few hundred bytes per piece.
    return ReadBatchFile(file.read(64 << 20)).value_or(BatchSet{QString(), -1});
}

Fd PieceFolder::CreateHidden(const QByteArray& hidden, int access) {
    const int flags = access | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    Fd fd(::open(hidden.constData(), flags, 0666));
    if (fd.get() < 0 && errno == EEXIST && ::unlink(hidden.constData()) == 0) // left by a job that was killed
        fd = Fd(::open(hidden.constData(), flags, 0666));
    return fd;
}

void PieceFolder::writeWhole(const QString& name, const std::function<int(int fd)>& write) const {
    const QString target = path(name);
    const QByteArray hidden = native(path(hiddenName(name)));
    Fd out = CreateHidden(hidden, O_RDWR);
    if (out.get() < 0)
        throw JobError(writeFailure(folder_, target, errno));
    int error = 0;
    try {
        error = write(out.get());
    } catch (const JobError&) {
        out.close();
        ::unlink(hidden.constData());
        throw;
    }
    if (const int closed = out.close(); error == 0)
        error = closed;
    if (error == 0 && ::rename(hidden.constData(), native(target).constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(hidden.constData());
        throw JobError(writeFailure(folder_, target, error));
    }
}

bool PieceFolder::holdsForeign(const QString& name) const {
    QFile file(path(name));
    if (!file.exists())
        return false;
    return !file.open(QIODevice::ReadOnly) || !IsOwnReceiverFile(file.read(4096));
}

void PieceFolder::remove(const QString& name) const {
    if (::unlink(native(path(name)).constData()) != 0 && errno != ENOENT)
        throw JobError(Text(Res::CannotDelete).arg(path(name), SystemReason(errno)));
}

QString PieceFolder::present(int64_t last) const {
    QStringList runs;
    int64_t from = 0;
    for (int64_t i = 1; i <= last + 1; ++i) {
        struct stat st {};
        const bool there = i <= last && ::lstat(native(path(PieceName(base_, i))).constData(), &st) == 0;
        if (there && from == 0)
            from = i;
        if (!there && from != 0) {
            runs << (from == i - 1 ? PieceName(base_, from)
                                   : PieceName(base_, from) + Text(Res::To) + PieceName(base_, i - 1));
            from = 0;
        }
    }
    return runs.join(QStringLiteral(", "));
}
