#pragma once

#include "core/StringTable.h"
#include "shell/Shell.h"

#include <QByteArray>
#include <QString>

// Copies a split series onto a series of removable disks mounted one after the other on one folder: one
// piece per disk, the batch file and Read_Me.txt on the last, guiding the user through changing and, when
// needed, emptying the disks. Afterwards the series' files in the temporary folder are deleted.
class DiskSeries {
public:
    // drive: the folder the disks are mounted on. body: the text for Read_Me.txt, before the footer.
    DiskSeries(QString drive, QString body, Shell& shell);

    // True when every piece, the batch file and Read_Me.txt are on a disk and the temporary files were deleted;
    // false when the user cancelled at a prompt. The pieces stay in tempFolder then.
    bool write(const QString& source, int pieceCount, const QString& tempFolder);

private:
    // Go on, end as cancelled, or write the disk's files again onto another disk.
    enum class Step { Go, Cancel, Again };
    Step checkDisk();
    Step emptyDisk();
    Step writeDisk(int i, int pieceCount, const QString& base, const QString& tempFolder);
    Step copy(const QString& name, const QString& tempFolder);
    // receiverBase: the base of the set when its checksum list and join script are on the disk, else "".
    Step writeReadMe(const QString& receiverBase);
    Step deleteFile(const QString& path, Step onOk);
    Step flushDisk();
    Step fileError(const QString& text, Step onOk);
    bool boxOk(Res::Id textId, MsgIcon icon);

    QString drive_;
    QString body_;
    Shell& shell_;
};

// Read_Me.txt: the body and the footer with CR LF line breaks, no line break added at the end.
QByteArray ReadMeText(const QString& body);
