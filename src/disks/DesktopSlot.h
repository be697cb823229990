#pragma once

#include "disks/DiskSlot.h"
#include "disks/UDisks.h"

#include <QSet>

// USB sticks and memory cards as the desktop finds them: each disk of the series is the next one plugged in
// that the series has not written or been told to pass over; it is mounted when the desktop has not, and
// unmounted and powered off when written.
class DesktopSlot : public DiskSlot {
public:
    explicit DesktopSlot(UDisks& udisks) : udisks_(udisks) {}
    DriveState find() override;
    void decline() override;
    void release() override;
    std::function<bool()> arrival() override;
    bool fillsDisks() const override { return true; }
    QString prompt(Prompt which, const DriveState& disk, int diskNumber, int diskCount) const override;
    void checkPieceSize(int64_t pieceSize) const override;

private:
    UDisks& udisks_;
    RemovableDisk current_;
    bool mountedHere_ = false; // by the series, not by the desktop
    // Disks written or declined in this series, while they are plugged in: a disk pulled out and plugged in
    // again may be chosen again.
    QSet<QString> passed_;
};
