#pragma once

#include "core/SplitJob.h"
#include "mail/KeptSeries.h"
#include "mail/SeriesRecord.h"
#include "settings/Settings.h"
#include "shell/Shell.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class NetworkManagerDialUp;

// Runs one job: works out the piece size, delivers by the job's target, tells the user the result and
// stores the job's settings for the next run (also after a failure). A job that names a set to join joins it
// instead, and stores nothing.
class JobDriver {
public:
    JobDriver(SplitJob& job, Settings& settings, Shell& shell);

    // True when the job was delivered.
    bool run();

private:
    // Checks and joins the set the job names instead of splitting.
    bool runJoin();
    // A mail series as this job sends it: a stopped one of the same job finished, or a new one.
    struct MailRun {
        bool stoppedBySetting = false; // nothing went, and nothing will until the settings change
        SeriesChoice kept;
        std::optional<SeriesRecord> record; // of a series that can be finished later
        bool recorded = false;              // the record is written and follows the messages sent
        QString folder;
        int count = 0; // pieces
        int first = 1; // the first message to send
    };
    bool deliverMail(int64_t pieceSize);
    MailRun prepareSeries(int64_t pieceSize);
    // Dials when the settings ask, sends, hangs up; true when the whole series went. recipients: the envelope's.
    bool sendSeries(MailRun& series, std::vector<QString>& recipients);
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
