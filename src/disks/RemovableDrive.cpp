#include "disks/RemovableDrive.h"

#include <QDir>
#include <QFile>

#include <algorithm>

#include <climits>
#include <cstdlib>
#include <memory>

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <linux/magic.h>

DriveState GetDrive(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    struct stat self {};
    if (path.isEmpty() || ::stat(path.constData(), &self) != 0 || !S_ISDIR(self.st_mode))
        return {};
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.constData(), nullptr), &std::free);
    if (!real || QByteArray(real.get()) == "/")
        return {};
    // A mount point lies on another device than the folder it is mounted in.
    struct stat parent {};
    if (::stat((QByteArray(real.get()) + "/..").constData(), &parent) != 0 || parent.st_dev == self.st_dev)
        return {};
    struct statvfs fs {};
    if (::statvfs(real.get(), &fs) != 0)
        return {};
    const auto unit = static_cast<int64_t>(fs.f_frsize);
    DriveState state{true,
                     static_cast<int64_t>(fs.f_blocks) * unit,
                     static_cast<int64_t>(fs.f_bfree) * unit,
                     folder,
                     folder,
                     static_cast<uint64_t>(self.st_dev),
                     std::max<int64_t>(unit, 512)};
    struct statfs type {};
    if (::statfs(real.get(), &type) == 0 && type.f_type == MSDOS_SUPER_MAGIC)
        state.largestFile = LargestFile(QStringLiteral("vfat"));
    return state;
}

int64_t LargestFile(const QString& fsType) {
    if (fsType == u"vfat" || fsType == u"msdos")
        return (int64_t{1} << 32) - 1; // FAT keeps a file's size in 32 bits
    return -1;
}

bool StillThere(const DriveState& disk) {
    struct stat now {};
    return disk.ready && ::stat(QFile::encodeName(disk.folder).constData(), &now) == 0 &&
           static_cast<uint64_t>(now.st_dev) == disk.device && GetDrive(disk.folder).ready;
}

bool DiskHoldsData(const QString& folder) {
    const QStringList names =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return std::any_of(names.begin(), names.end(), [](const QString& name) {
        return name != u"lost+found" && name != u"System Volume Information" && !name.startsWith(u".Trash-");
    });
}
