#pragma once

#include "disks/DiskPlan.h"
#include "disks/DiskSlot.h"
#include "shell/Shell.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

// Copies a split series onto a series of removable disks, guiding the user through changing and, when needed,
// emptying the disks: one piece a disk on disks mounted in turn on one folder, or as many as fit on each USB
// stick or memory card. The batch file goes on the last disk, Read_Me.txt on the last (on every USB stick).
// Afterwards the series' files in the temporary folder are deleted.
class DiskSeries {
public:
    // drive: the folder the disks are mounted on. body: the text for Read_Me.txt, before the footer.
    DiskSeries(QString drive, QString body, Shell& shell);
    DiskSeries(DiskSlot& slot, QString body, Shell& shell);

    // True when every piece, the batch file and Read_Me.txt are on a disk and the temporary files were deleted;
    // false when the user cancelled at a prompt. The pieces stay in tempFolder then.
    bool write(const QString& source, int pieceCount, const QString& tempFolder);

private:
    // Go on, end as cancelled, or write the disk's files again onto another disk.
    enum class Step { Go, Cancel, Again };
    Step checkDisk();
    Step emptyDisk();
    DiskShare plan(int first, int diskNumber);
    Step writeDisk(int diskNumber, int first, const DiskShare& share);
    Step copy(const QString& name, int diskNumber);
    // receiverBase: the base of the set when its checksum list and join script are on the disk, else "".
    Step writeReadMe(const QString& receiverBase, const QString& diskNote);
    Step deleteFile(const QString& path, Step onOk);
    Step flushDisk();
    void release();
    Step fileError(const QString& text, Step onOk);
    // answeredBy: what says OK in the user's place, as a disk plugged in.
    bool boxOk(const QString& text, MsgIcon icon, std::function<bool()> answeredBy = {});

    std::unique_ptr<DiskSlot> ownSlot_;
    DiskSlot& slot_;
    QString body_;
    Shell& shell_;
    // The series being written.
    DriveState disk_;
    QString base_, temp_;
    int pieceCount_ = 0;
    int diskCount_ = 0;
    std::vector<int64_t> pieceSizes_;
};

// Read_Me.txt: the body and the footer with CR LF line breaks, no line break added at the end.
QByteArray ReadMeText(const QString& body);
