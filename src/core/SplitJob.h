#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

enum class Target { Mail, Floppy, Folder };

// The values of one job. The wizard's controls are filled from it and read back into it; the command line
// fills it; the driver reads only this.
struct SplitJob {
    QString SourceFile;
    int SizeIndex = 1; // 0 "512 kB", 1 "1 MB", 2 "1.44 MB (Floppy)", 3 "2 MB", 4 "Custom:"
    QString CustomSplitSize;

    // The two option groups of the destination page: mail or files on disk, and inside the disk frame
    // floppy or folder. The inner choice is kept while mail is selected.
    bool MailSelected = true;
    bool FloppySelected = false;
    bool FilesOptionEnabled = false; // "Create splitfiles on disk:" starts disabled
    // The disks are the USB sticks and memory cards the desktop reports, not the FloppyDrive folder: pieces of
    // the size chosen, as many as fit on each.
    bool DesktopDisks = false;

    QString SplitFolder;
    QString SendTo;
    QStringList RecipientHistory; // the recipient box's list, newest first
    QString Subject;
    QString CarbonCopy;
    QString BlindCarbonCopy;
    QString Body;
    bool BatchAsText = true;
    // The checksum list and the join script for Linux and macOS beside the batch file.
    bool ReceiverFiles = true;
    bool NoUI = false;
    // /rsm: send only the missing messages of a stopped series of this job.
    bool Resume = false;

    // /join: a piece of a set (or its list, batch file, join script, or folder) to check and join instead of a
    // split; the file goes into JoinFolder (/dst:, else the piece's folder) under JoinName (else the set's name).
    QString JoinSource;
    QString JoinFolder;
    QString JoinName;
    QStringList JoinFolders; // more folders that hold pieces (the disks of a series copied one by one)

    Target target() const {
        if (MailSelected)
            return Target::Mail;
        return FloppySelected ? Target::Floppy : Target::Folder;
    }
};
