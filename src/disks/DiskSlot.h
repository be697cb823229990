#pragma once

#include "disks/RemovableDrive.h"

#include <QString>

#include <cstdint>
#include <functional>

// Where the disks of a series come from: one folder that each disk is mounted on in turn (FolderSlot), or the
// USB sticks and memory cards that the desktop's disk service reports (DesktopSlot).
class DiskSlot {
public:
    enum class Prompt { NoDisk, InUse, Another, Next };

    virtual ~DiskSlot() = default;

    // The disk to write next, mounted; ready is false when there is none. Throws ComponentError when a disk is
    // there but cannot be mounted.
    virtual DriveState find() = 0;
    // The user does not want the disk found last written (it holds data, or a copy onto it failed).
    virtual void decline() {}
    // After the disk's files are on it: it can be pulled out. Throws ComponentError when it cannot be unmounted.
    virtual void release() {}
    // Many pieces and a Read_Me.txt on each disk; else one piece a disk, as on floppies.
    virtual bool fillsDisks() const = 0;
    // Comes true when a disk the series may take is plugged in, for a prompt that waits for one; empty when only the
    // user can tell.
    virtual std::function<bool()> arrival() { return {}; }
    // The text of a prompt; disk and diskCount for Prompt::Next.
    virtual QString prompt(Prompt which, const DriveState& disk, int diskNumber, int diskCount) const = 0;
    // Throws JobError when a disk now present cannot take pieces of this size: before anything is split.
    virtual void checkPieceSize(int64_t pieceSize) const = 0;
};

// The text that refuses pieces too large for the disk's file system, with the size that fits.
QString PieceTooLargeText(int64_t pieceSize, const QString& diskName, const QString& fsName, int64_t largestFile);
