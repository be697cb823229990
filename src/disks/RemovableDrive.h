#pragma once

#include <QString>

#include <cstdint>

// A disk of a series: the folder it is mounted on, and what it holds.
struct DriveState {
    // A disk is there: the folder is a mount point, and not the system's root.
    bool ready = false;
    int64_t totalSize = 0;
    // Bytes not used by anything; equal to totalSize on a disk that holds no data.
    int64_t freeSpace = 0;
    QString folder;
    // The disk's name in texts: its label, or the folder for a disk without one.
    QString name;
    // Tells the disk from the folder beneath it once it is taken out.
    uint64_t device = 0;
    int64_t blockSize = 4096;
    // The largest file the file system takes (FAT: 4 GiB - 1), -1 when it sets no limit of its own.
    int64_t largestFile = -1;
};

DriveState GetDrive(const QString& folder);

// A disk holds data when its top folder holds anything but the file system's own bookkeeping (lost+found,
// System Volume Information, .Trash-*): a fresh disk of any file system has used blocks.
bool DiskHoldsData(const QString& folder);

// The largest file a file system of this type (UDisks2's IdType) takes: FAT's 4 GiB - 1, or -1 for no limit of
// its own.
int64_t LargestFile(const QString& fsType);

// Whether the disk found is still mounted on its folder.
bool StillThere(const DriveState& disk);
