#pragma once

#include "core/SplitJob.h"

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// What a mail series that did not finish leaves beside its kept pieces, so that the same job can later send only
// the messages that are missing. Rewritten (whole) as each message is accepted, so a job that is killed leaves
// a true record.
struct SeriesRecord {
    QString folder; // the job's private folder, which holds the pieces and this record
    QString source;
    int64_t sourceSize = 0;
    QDateTime sourceModified;
    int64_t pieceSize = 0;
    int count = 0;
    QString sendTo, cc, bcc, subject, body;
    bool batchAsText = true;
    bool receiverFiles = true;
    QDateTime started;
    int sent = 0; // messages 1 .. sent were accepted
    // The SHA-256 (hex) of every file the series sends, by name, as it was split.
    QMap<QString, QByteArray> sha256;

    // pieceDigests: those of pieces 1 .. count, in order; the other files of the series are hashed here.
    static SeriesRecord ForJob(const SplitJob& job, int64_t pieceSize, int count, const QString& folder,
                               const std::vector<QByteArray>& pieceDigests);
    static std::optional<SeriesRecord> Read(const QString& folder);
    // Throws JobError when the record cannot be written.
    void write() const;

    // The same job: same source path, piece size, recipients, subject and choices.
    bool sameJob(const SplitJob& job, int64_t pieceSize) const;
    // The source is not the one that was split: gone, or of another size or time.
    bool sourceChanged() const;
    // The files the rest of the series sends: pieces sent+1 .. count, the batch file and the receiver's files.
    QStringList remainingFiles() const;
    // Hashes the files of the series as they are in the folder now, by name (empty for a file that is not there).
    QMap<QString, QByteArray> hashNow(const QStringList& names) const;
};

// The folder that holds kept series: $XDG_STATE_HOME/brevimo (~/.local/state/brevimo), the user's alone.
QString SeriesHome();

// A new folder for a mail series under SeriesHome(), readable by the user alone; empty when SeriesHome() cannot
// be made the user's alone (it belongs to another user), and the series then cannot be kept.
QString NewSeriesFolder();

// The records of the series kept under SeriesHome(). Only what belongs to the user and nobody else can write counts:
// the folders, the records and every file beside them.
std::vector<SeriesRecord> KeptSeries();

// The name of the record in a series' folder.
QString SeriesRecordName();

// The SHA-256 of a file, in hex; empty when it cannot be read.
QByteArray FileSha256(const QString& path);
