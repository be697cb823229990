#include "disks/DiskSlot.h"

#include "core/StringTable.h"

QString PieceTooLargeText(int64_t pieceSize, const QString& diskName, const QString& fsName, int64_t largestFile) {
    return Text(Res::PieceTooLargeForDisk)
        .arg(pieceSize)
        .arg(diskName, fsName)
        .arg(largestFile)
        .arg(largestFile / (1024 * 1024));
}
