#include "join/JoinFile.h"

#include "core/Fd.h"
#include "core/JobError.h"
#include "core/LocaleNumbers.h"
#include "core/NumberText.h"
#include "core/PathNames.h"
#include "core/StopSignals.h"
#include "core/StringTable.h"
#include "join/SetFiles.h"
// The splitter's copier and hasher: the same kernel copy, buffers and hashing threads, so a join is as fast as
// a split; its folder lock keeps a split of the same set from writing there meanwhile.
#include "split/PieceCopier.h"
#include "split/PieceFolder.h"
#include "split/PieceHasher.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// The file being joined, under a hidden name in the target folder; removed unless it was given its name.
class HiddenFile {
public:
    HiddenFile(const QString& folder, const QString& fileName)
        // The set's lock has a name of this length, which the folder took: a name made longer could be refused.
        : hidden_(native(JoinPath(folder, u'.' + PieceBase(fileName) + QStringLiteral("brevimo-join")))),
          target_(JoinPath(folder, fileName)) {
        fd_ = PieceFolder::CreateHidden(hidden_, O_WRONLY);
        if (fd_.get() < 0)
            throw JobError(Text(Res::JoinCannotWrite).arg(target_, SystemReason(errno)));
    }
    ~HiddenFile() {
        if (!named_)
            ::unlink(hidden_.constData());
    }
    HiddenFile(const HiddenFile&) = delete;
    HiddenFile& operator=(const HiddenFile&) = delete;

    int fd() const { return fd_.get(); }

    // replace: the user agreed to replace a file of the name; without it a file that came meanwhile stays.
    void name(bool replace) {
        if (const int error = fd_.close(); error != 0)
            throw JobError(Text(Res::JoinCannotWrite).arg(target_, SystemReason(error)));
        const QByteArray target = native(target_);
        int rc = replace ? ::rename(hidden_.constData(), target.constData())
                         : ::renameat2(AT_FDCWD, hidden_.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
        if (rc != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) { // a file system without it: link
            rc = ::link(hidden_.constData(), target.constData());
            if (rc == 0)
                ::unlink(hidden_.constData());
        }
        if (rc != 0 && errno == EEXIST)
            throw JobError(Text(Res::JoinNotReplaced).arg(target_));
        if (rc != 0)
            throw JobError(Text(Res::JoinCannotWrite).arg(target_, SystemReason(errno)));
        named_ = true;
    }

private:
    QByteArray hidden_;
    QString target_;
    Fd fd_;
    bool named_ = false;
};

// A piece open for reading; only a regular file is one.
Fd openPiece(const PieceSet::Piece& piece, int64_t& size) {
    Fd fd(::open(native(piece.path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        throw JobError(Text(Res::JoinCannotRead).arg(piece.path, SystemReason(errno)));
    if (!S_ISREG(st.st_mode))
        throw JobError(Text(Res::JoinNotRegular).arg(piece.path, KindOfFile(st.st_mode)));
    size = st.st_size;
    return fd;
}

bool sameFile(const QString& a, const QString& b) {
    struct stat x {
    }, y{};
    return ::stat(native(a).constData(), &x) == 0 && ::stat(native(b).constData(), &y) == 0 && x.st_dev == y.st_dev &&
           x.st_ino == y.st_ino;
}

void checkRoom(const QString& folder, const QString& fileName, int64_t size) {
    const std::optional<int64_t> free = FreeBytes(folder);
    if (!free)
        throw JobError(Text(Res::JoinCannotWrite).arg(JoinPath(folder, fileName), SystemReason(errno)));
    if (*free < size)
        throw JobError(Text(Res::JoinNoRoom)
                           .arg(folder.isEmpty() ? QStringLiteral(".") : folder, GroupedNumber(*free), fileName,
                                GroupedNumber(size)));
}

// Copies the pieces in order into out, hashed by hasher when there is one.
void copyPieces(const PieceSet& set, const QString& target, int out, PieceHasher* hasher, Shell& shell) {
    PieceCopier copier;
    const int64_t total = set.size();
    int64_t done = 0;
    for (const PieceSet::Piece& piece : set.pieces) {
        int64_t size = 0;
        const Fd in = openPiece(piece, size);
        if (size != piece.size)
            throw JobError(Text(Res::JoinPieceChanged).arg(piece.path));
        try {
            copier.copy(in.get(), 0, out, size, hasher);
        } catch (const CopyFailure& f) {
            if (f.error == EINTR && StopRequested())
                throw JobError(Text(Res::JoinStopped).arg(target, QString::fromLatin1(StopRequested())));
            if (f.error == 0)
                throw JobError(Text(Res::JoinPieceChanged).arg(piece.path));
            // A read or a write failed: which one, the message cannot tell apart; the target is the likely one.
            throw JobError(Text(Res::JoinCopyFailed).arg(piece.path, SystemReason(f.error)));
        }
        done += size;
        const double percent = total ? 100.0 * static_cast<double>(done) / static_cast<double>(total) : 100.0;
        shell.ShowProgress(std::max(1, static_cast<int>(RoundHalfEven(percent))),
                           Text(Res::JoinProgress).arg(piece.name));
    }
}

} // namespace

std::optional<int64_t> FreeBytes(const QString& folder) {
    struct statvfs vfs {};
    if (::statvfs(native(folder.isEmpty() ? QStringLiteral(".") : folder).constData(), &vfs) != 0)
        return std::nullopt;
    return static_cast<int64_t>(vfs.f_bavail) * static_cast<int64_t>(vfs.f_frsize);
}

void CheckSetWhole(const PieceSet& set) {
    if (const QStringList missing = set.missing(); !missing.isEmpty())
        throw JobError(
            Text(Res::JoinMissing)
                .arg(set.fileName, missing.join(QStringLiteral(", ")), set.folders.join(QStringLiteral(", "))));
    if (set.from == PieceSet::From::ChecksumList)
        return; // the list checks more than the sizes can
    // Every piece of a split is as long as the first, but the last, which is no longer.
    QStringList odd;
    for (size_t i = 1; i < set.pieces.size(); ++i)
        if (i + 1 < set.pieces.size() ? set.pieces[i].size != set.pieces[0].size
                                      : set.pieces[i].size > set.pieces[0].size)
            odd << set.pieces[i].name;
    if (!odd.isEmpty())
        throw JobError(Text(Res::JoinSizesDiffer).arg(odd.join(QStringLiteral(", ")), set.pieces[0].name));
}

QString JoinSet(const PieceSet& set, const QString& folder, const QString& fileName, Shell& shell) {
    CheckPlainName(fileName);
    CheckSetWhole(set);
    const QString target = JoinPath(folder, fileName);
    for (const PieceSet::Piece& piece : set.pieces)
        if (sameFile(piece.path, target))
            throw JobError(Text(Res::JoinNameIsPiece).arg(target));
    bool replace = false;
    struct stat st {};
    if (::lstat(native(target).constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            throw JobError(Text(Res::JoinInTheWay).arg(target, KindOfFile(st.st_mode)));
        replace = shell.MsgBox({Text(Res::JoinReplace).arg(target), MsgButtons::YesNo, MsgIcon::Question, 1, {}}) ==
                  MsgResult::Yes;
        if (!replace)
            throw JobError(Text(Res::JoinNotReplaced).arg(target));
    }
    checkRoom(folder, fileName, set.size());

    // Before the lock file: a signal from here on removes what the join made.
    const StopOnSignals stop;
    const PieceFolder lock(folder, PieceBase(fileName));
    HiddenFile joined(folder, fileName);
    std::unique_ptr<PieceHasher> hasher;
    if (set.from == PieceSet::From::ChecksumList)
        hasher = std::make_unique<PieceHasher>();
    copyPieces(set, target, joined.fd(), hasher.get(), shell);
    if (hasher) {
        const PieceHasher::Digests digests = hasher->finish();
        QStringList damaged;
        for (size_t i = 0; i < set.pieces.size(); ++i)
            if (digests.pieces[i] != set.pieces[i].digest)
                damaged << set.pieces[i].name;
        if (!damaged.isEmpty())
            throw JobError(Text(Res::JoinDamaged).arg(set.readFrom, damaged.join(QStringLiteral(", "))));
        if (digests.whole != set.wholeDigest)
            throw JobError(Text(Res::JoinWholeBad).arg(fileName, set.readFrom));
    }
    if (StopRequested())
        throw JobError(Text(Res::JoinStopped).arg(target, QString::fromLatin1(StopRequested())));
    joined.name(replace);
    return target;
}
