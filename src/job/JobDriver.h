#pragma once

#include "core/SplitJob.h"
#include "settings/Settings.h"
#include "shell/Shell.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

class NetworkManagerDialUp;

// Runs one job: works out the piece size, delivers by the job's target, tells the user the result and
// stores the job's settings for the next run (also after a failure).
class JobDriver {
public:
    JobDriver(SplitJob& job, Settings& settings, Shell& shell);

    // True when the job was delivered.
    bool run();

private:
    bool deliverMail(int64_t pieceSize);
    bool dial(NetworkManagerDialUp& ras);
    void hangUp(NetworkManagerDialUp& ras);
    bool deliverFloppy(int64_t pieceSize);
    // Splits the source into the job's private folder, which goes again when the split fails.
    int splitInto(const QString& folder, int64_t pieceSize, bool batchRemLines,
                  std::vector<QByteArray>* digests = nullptr);
    // resumable: a record of the series is beside them, so that the same job can send only the rest.
    void tellPiecesKept(const QString& folder, bool resumable = false);
    bool deliverFolder(int64_t pieceSize);
    void storeSettings();

    SplitJob& job_;
    Settings& settings_;
    Shell& shell_;
};
