#pragma once

#include <QString>

#include <cstdint>

// The removable disk of floppy output: the folder a disk is mounted on.
struct DriveState {
    // A disk is there: the folder is a mount point, and not the system's root.
    bool ready = false;
    int64_t totalSize = 0;
    // Bytes not used by anything; equal to totalSize on a disk that holds no data.
    int64_t freeSpace = 0;
};

DriveState GetDrive(const QString& folder);

// A disk holds data when its top folder holds anything but the file system's own bookkeeping (lost+found,
// System Volume Information, .Trash-*): a fresh disk of any file system has used blocks.
bool DiskHoldsData(const QString& folder);
