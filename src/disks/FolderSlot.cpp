#include "disks/FolderSlot.h"

#include "core/JobError.h"
#include "core/Sentences.h"

QString FolderSlot::prompt(Prompt which, const DriveState&, int diskNumber, int diskCount) const {
    switch (which) {
    case Prompt::NoDisk:
        return DriveText(Res::InsertDisk, folder_);
    case Prompt::InUse:
        return DriveText(Res::EmptyDiskQuestion, folder_);
    case Prompt::Another:
        return DriveText(Res::InsertAnotherDisk, folder_);
    case Prompt::Next:
        break;
    }
    return InsertDiskText(diskNumber, diskCount, folder_);
}

void FolderSlot::checkPieceSize(int64_t pieceSize) const {
    const DriveState disk = GetDrive(folder_);
    if (disk.ready && disk.largestFile >= 0 && pieceSize > disk.largestFile)
        throw JobError(PieceTooLargeText(pieceSize, folder_, QStringLiteral("FAT"), disk.largestFile));
}
