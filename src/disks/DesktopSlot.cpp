#include "disks/DesktopSlot.h"

#include "core/ComponentError.h"
#include "core/JobError.h"
#include "core/StringTable.h"

namespace {

// A disk as plugged in this time.
QString plugging(const RemovableDisk& disk) {
    return disk.object + u'@' + QString::number(disk.detected);
}

} // namespace

DriveState DesktopSlot::find() {
    const std::vector<RemovableDisk> present = udisks_.disks();
    QSet<QString> stillPlugged;
    for (const RemovableDisk& disk : present)
        if (passed_.contains(plugging(disk)))
            stillPlugged.insert(plugging(disk));
    passed_ = stillPlugged;
    for (const RemovableDisk& disk : present) {
        if (passed_.contains(plugging(disk)))
            continue;
        current_ = disk;
        mountedHere_ = current_.mountPoint.isEmpty();
        if (mountedHere_) {
            try {
                current_.mountPoint = udisks_.mount(disk);
            } catch (const ComponentError& e) {
                throw ComponentError(e.number(),
                                     Text(Res::DiskNotMounted).arg(disk.label, disk.device, e.description()));
            }
        }
        DriveState state = GetDrive(current_.mountPoint);
        state.name = current_.label;
        if (const int64_t largest = LargestFile(current_.fsType); largest >= 0)
            state.largestFile = largest;
        return state;
    }
    current_ = {};
    return {};
}

std::function<bool()> DesktopSlot::arrival() {
    return [this] {
        try {
            for (const RemovableDisk& disk : udisks_.disks())
                if (!passed_.contains(plugging(disk)))
                    return true;
        } catch (const ComponentError&) {
            // The user answers, and the series says what went wrong then.
        }
        return false;
    };
}

void DesktopSlot::decline() {
    if (current_.object.isEmpty())
        return;
    passed_.insert(plugging(current_));
    if (mountedHere_) {
        try {
            udisks_.unmount(current_); // left as the user plugged it in, safe to pull out
        } catch (const ComponentError&) {
            // Pulled out already, or busy: it is not written to again either way.
        }
    }
    current_ = {};
}

void DesktopSlot::release() {
    // Never chosen again in this series, even when it cannot be unmounted.
    passed_.insert(plugging(current_));
    try {
        udisks_.unmount(current_);
    } catch (const ComponentError& e) {
        throw ComponentError(e.number(), Text(Res::DiskNotUnmounted).arg(current_.label, e.description()));
    }
    if (current_.canPowerOff) {
        try {
            udisks_.powerOff(current_);
        } catch (const ComponentError&) {
            // Unmounted is enough to pull it out safely; some card readers cannot be powered off.
        }
    }
}

QString DesktopSlot::prompt(Prompt which, const DriveState& disk, int diskNumber, int diskCount) const {
    switch (which) {
    case Prompt::NoDisk:
        return Text(Res::NoRemovableDisk);
    case Prompt::InUse:
        return Text(Res::EmptyRemovableDisk).arg(disk.name, disk.folder);
    case Prompt::Another:
        return Text(Res::AnotherRemovableDisk);
    case Prompt::Next:
        break;
    }
    return Text(Res::NextRemovableDisk).arg(diskNumber).arg(diskCount);
}

void DesktopSlot::checkPieceSize(int64_t pieceSize) const {
    // Refused only when no disk now present takes the pieces; a disk that does not is passed over later.
    const std::vector<RemovableDisk> present = udisks_.disks();
    for (const RemovableDisk& disk : present)
        if (const int64_t largest = LargestFile(disk.fsType); largest < 0 || pieceSize <= largest)
            return;
    if (present.empty())
        return;
    const RemovableDisk& disk = present.front();
    const QString fsName = disk.fsType == u"vfat" ? QStringLiteral("FAT32") : disk.fsType;
    throw JobError(PieceTooLargeText(pieceSize, disk.label, fsName, LargestFile(disk.fsType)));
}
