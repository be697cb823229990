#pragma once

#include "core/SplitJob.h"

#include <QDateTime>
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

    static SeriesRecord ForJob(const SplitJob& job, int64_t pieceSize, int count, const QString& folder);
    static std::optional<SeriesRecord> Read(const QString& folder);
    // Throws JobError when the record cannot be written.
    void write() const;

    // The same job: same source path, piece size, recipients, subject and choices.
    bool sameJob(const SplitJob& job, int64_t pieceSize) const;
    // Why the record cannot be used for the job any more ("" when it can): the source changed, or pieces are gone.
    QString staleReason() const;
};

// The records of series kept under the system's temporary folder.
std::vector<SeriesRecord> KeptSeries();

// The name of the record in a series' folder.
QString SeriesRecordName();
