#pragma once

#include "disks/DiskSlot.h"

// The disks mounted one after the other on one folder (the FloppyDrive setting): the user changes them.
class FolderSlot : public DiskSlot {
public:
    explicit FolderSlot(QString folder) : folder_(std::move(folder)) {}
    DriveState find() override { return GetDrive(folder_); }
    bool fillsDisks() const override { return false; }
    QString prompt(Prompt which, const DriveState& disk, int diskNumber, int diskCount) const override;
    void checkPieceSize(int64_t pieceSize) const override;

private:
    QString folder_;
};
