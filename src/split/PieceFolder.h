#pragma once

#include "core/Fd.h"
#include "split/BatchFile.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

// The folder a set of pieces goes into, held for one job: the pieces and the batch file of one base are written
// there by this job alone, whole or not at all.
class PieceFolder {
public:
    // Takes the folder's lock for base; throws JobError when another job holds it.
    PieceFolder(QString folder, QString base);
    ~PieceFolder();
    PieceFolder(const PieceFolder&) = delete;
    PieceFolder& operator=(const PieceFolder&) = delete;

    // Throws JobError when one of the names, or the hidden name it has while it is written, or the lock of the
    // set would be longer than the folder's file system takes (at most kNameMax bytes). fileName: the source's.
    static void CheckNamesFit(const QString& folder, const QString& fileName, const QStringList& names);

    // Throws JobError unless every name of a set of count pieces (with its batch file, checksum list and join
    // script) is free or an ordinary file.
    void checkNames(int64_t count) const;
    // The set whose batch file is in the folder, with the file name it rebuilds; an empty set when there is no
    // batch file, and a set without a name when the file there is no batch file of this program.
    BatchSet previous() const;

    // Creates the hidden file a job writes before it gives the file its name (access: O_RDWR or O_WRONLY); one
    // of that name left by a job that was killed is removed first. The Fd is invalid, with errno set, on failure.
    static Fd CreateHidden(const QByteArray& hidden, int access);
    // Writes the file under a hidden name and gives it its own name once it is complete: a file under its own
    // name is always whole. write fills the open file and returns 0 or errno. Throws JobError after removing
    // what was written.
    void writeWhole(const QString& name, const std::function<int(int fd)>& write) const;
    // A file of that name is there and is not a checksum list or join script as this program writes them.
    bool holdsForeign(const QString& name) const;
    // Removes the file if it is there; throws JobError when it cannot.
    void remove(const QString& name) const;

    // "report.001 to report.004, report.007": the pieces from 1 to last that are in the folder.
    QString present(int64_t last) const;

    QString path(const QString& name) const;

private:
    QString folder_;
    QString base_;
    QString lockPath_;
    Fd lock_;
};
