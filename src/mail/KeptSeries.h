#pragma once

#include "core/SplitJob.h"
#include "mail/SeriesRecord.h"
#include "shell/Shell.h"

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

struct SeriesChoice {
    std::optional<SeriesRecord> resume; // send only the missing messages of this one
    QStringList replaced;               // kept series of this job that a whole series, once sent, leaves needless
};

// Splits the record's source into its folder again; returns the SHA-256 of every piece.
using CutAgain = std::function<std::vector<QByteArray>(const SeriesRecord&)>;

// Finds a stopped series of this job among the kept ones, says what it finds, and asks whether to send only
// the missing messages (/rsm answers yes without asking; /nui without it sends everything and says that a
// stopped series exists). Before a series is finished, every file it has still to send is checked against the
// checksums taken when it was split: a changed one drops the series, and the whole series is sent if the source
// is unchanged; pieces that are gone are cut again from an unchanged source. Throws JobError for /rsm when there
// is nothing to resume, and when a series can be neither finished nor made again.
SeriesChoice ChooseSeries(const SplitJob& job, int64_t pieceSize, Shell& shell, const CutAgain& cutAgain);

// Removes kept series started more than maxDays ago, with their pieces, and says which.
void RemoveOldSeries(Shell& shell, int maxDays = 30);
