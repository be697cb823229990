#include "job/JobDriver.h"

#include "core/ComponentError.h"
#include "core/JobError.h"
#include "core/PathNames.h"
#include "core/Sentences.h"
#include "core/StringTable.h"
#include "dialup/DialUp.h"
#include "dialup/NetworkManagerDialUp.h"
#include "disks/DesktopSlot.h"
#include "disks/DiskSeries.h"
#include "disks/FolderSlot.h"
#include "disks/UDisks.h"
#include "job/PrivateFolder.h"
#include "join/JoinFile.h"
#include "join/PieceSet.h"
#include "mail/Credentials.h"
#include "mail/KeptSeries.h"
#include "mail/MailSeries.h"
#include "mail/Mailboxes.h"
#include "settings/JobSettings.h"
#include "split/PieceSize.h"
#include "split/SplitFile.h"

#include <QDir>
#include <QFile>

JobDriver::JobDriver(SplitJob& job, Settings& settings, Shell& shell) : job_(job), settings_(settings), shell_(shell) {}

bool JobDriver::run() {
    if (!job_.JoinSource.isEmpty())
        return runJoin();
    bool success = false;
    try {
        const int64_t pieceSize = PieceSizeOf(job_);
        switch (job_.target()) {
        case Target::Mail:
            success = deliverMail(pieceSize);
            break;
        case Target::Floppy:
            success = deliverFloppy(pieceSize);
            break;
        case Target::Folder:
            success = deliverFolder(pieceSize);
            break;
        }
    } catch (const JobError& e) {
        shell_.Fail(e.message());
    }
    shell_.SetBusy(false);
    storeSettings();
    return success;
}

bool JobDriver::runJoin() {
    shell_.SetBusy(true);
    bool success = false;
    try {
        const PieceSet set = FindSet(job_.JoinSource, job_.JoinFolders);
        const QString folder = job_.JoinFolder.trimmed().isEmpty() ? set.folder : job_.JoinFolder;
        const QString path = JoinSet(set, folder, job_.JoinName.isEmpty() ? set.fileName : job_.JoinName, shell_);
        const QString count = QString::number(set.pieces.size());
        shell_.Inform(set.from == PieceSet::From::ChecksumList ? Text(Res::JoinDone).arg(path, count, set.readFrom)
                                                               : Text(Res::JoinDoneUnchecked).arg(path, count));
        success = true;
    } catch (const JobError& e) {
        shell_.Fail(e.message());
    }
    // A join changes no setting of the splitter's.
    shell_.SetBusy(false);
    return success;
}

bool JobDriver::deliverMail(int64_t pieceSize) {
    if (settings_.Host().trimmed().isEmpty() && !UsesGnomeAccount(settings_)) { // GNOME's account has a server
        // Nothing could be sent: say so before anything is split.
        shell_.Fail(Text(Res::NoMailServer).arg(settings_.Location()));
        return false;
    }
    // Refused before anything is split: a server, port or sign-in that cannot work, an address the server would
    // drop or refuse half way.
    CheckMailAccount(settings_);
    CheckMailAddresses(job_, settings_);
    CheckServerTakesAddresses(job_, settings_);
    RemoveOldSeries(shell_);
    MailRun series = prepareSeries(pieceSize);
    std::vector<QString> recipients;
    const bool sent = sendSeries(series, recipients);
    if (series.stoppedBySetting) {
        // Split by this run for nothing: the next run splits again, and there is nothing to resume. A stopped
        // series this run was to finish stays as it was.
        if (!series.kept.resume)
            QDir(series.folder).removeRecursively();
    } else if (sent || series.count == 0) {
        QFile::remove(JoinPath(series.folder, SeriesRecordName()));
        QDir().rmdir(series.folder);
    } else {
        tellPiecesKept(series.folder, series.recorded);
    }
    if (!sent)
        return false;
    // The whole series went: a stopped one of the same job has nothing left to finish.
    for (const QString& replaced : series.kept.replaced)
        QDir(replaced).removeRecursively();
    const int messages = std::max(series.count, 1) - series.first + 1;
    const QString to = QStringList(recipients.begin(), recipients.end()).join(QStringLiteral(", "));
    if (job_.NoUI)
        shell_.Inform(messages == 1 ? Text(Res::SentMessage).arg(to) : Text(Res::SentMessages).arg(messages).arg(to));
    else
        shell_.Inform(Text(Res::JobSucceeded));
    return true;
}

JobDriver::MailRun JobDriver::prepareSeries(int64_t pieceSize) {
    MailRun series;
    if (!job_.SourceFile.isEmpty())
        series.kept = ChooseSeries(job_, pieceSize, shell_, [&](const SeriesRecord& r) {
            std::vector<QByteArray> digests;
            SplitFile(r.source, r.pieceSize, r.folder, r.batchAsText, shell_, r.receiverFiles, &digests);
            return digests;
        });
    series.record = series.kept.resume;
    if (series.record) {
        series.folder = series.record->folder; // its pieces are the ones to send
        series.count = series.record->count;
        series.first = series.record->sent + 1;
    } else {
        // Only a series in the user's own folder can be finished later; a text alone is written out on its way.
        series.folder = job_.SourceFile.isEmpty() ? QString() : NewSeriesFolder();
        const bool keepable = !series.folder.isEmpty();
        if (!keepable)
            series.folder = PrivateTempFolder();
        if (!job_.SourceFile.isEmpty()) {
            std::vector<QByteArray> digests;
            series.count = splitInto(series.folder, pieceSize, job_.BatchAsText, &digests);
            if (keepable)
                series.record = SeriesRecord::ForJob(job_, pieceSize, series.count, series.folder, digests);
        }
    }
    // A record says which messages went, so that a stopped series can send only the rest.
    if (series.record) {
        try {
            series.record->write();
            series.recorded = true;
        } catch (const JobError&) {
            // Without it the series can only be sent whole again, which the message about the kept pieces then says.
        }
    }
    return series;
}

bool JobDriver::sendSeries(MailRun& series, std::vector<QString>& recipients) {
    shell_.ShowProgress(0, Text(Res::Connecting));
    const bool dialUp = settings_.UseRAS();
    NetworkManagerDialUp ras;
    bool sent = false;
    if (!dialUp || dial(ras)) {
        SmtpSession session;
        MailSeries mails(session, job_, settings_, shell_);
        mails.onMessageSent = [&](int i) {
            if (!series.recorded)
                return;
            series.record->sent = i;
            try {
                series.record->write();
            } catch (const JobError&) {
                series.recorded = false;
            }
        };
        sent = mails.send(job_.SourceFile, series.count, series.folder, series.first);
        series.stoppedBySetting = mails.stoppedBySetting();
        recipients = mails.recipients();
    }
    shell_.ShowProgress(0, Text(Res::Disconnecting));
    if (dialUp)
        hangUp(ras);
    return sent;
}

bool JobDriver::dial(NetworkManagerDialUp& ras) {
    const QString entry = settings_.RASConnection();
    QString reason;
    if (!ras.managerAnswers()) {
        reason = Text(Res::NoDialUpHere).arg(entry);
    } else {
        try {
            ConnectDialUp(settings_.RASPhoneBook(), entry, ras);
            return true;
        } catch (const ComponentError& e) {
            reason = Text(Res::DialUpFailed).arg(entry, e.description());
        }
    }
    // Told either way: the mails go over the network as it is, unless the user wants none without the connection.
    if (settings_.RASRequired()) {
        shell_.Fail(reason + Text(Res::DialUpStopsJob));
        return false;
    }
    shell_.MsgBox({reason + Text(Res::MailsGoAnyway), MsgButtons::Ok, MsgIcon::Exclamation, 0, {}});
    return true;
}

void JobDriver::hangUp(NetworkManagerDialUp& ras) {
    try {
        DisconnectDialUp(ras);
    } catch (const ComponentError& e) {
        shell_.MsgBox(
            {Text(Res::HangUpFailed).arg(ras.entryName, e.description()), MsgButtons::Ok, MsgIcon::Exclamation, 0, {}});
    }
}

int JobDriver::splitInto(const QString& folder, int64_t pieceSize, bool batchRemLines,
                         std::vector<QByteArray>* digests) {
    try {
        return SplitFile(job_.SourceFile, pieceSize, folder, batchRemLines, shell_, job_.ReceiverFiles, digests);
    } catch (const JobError&) {
        QDir(folder).removeRecursively(); // ours alone, and of no use without all pieces
        throw;
    }
}

void JobDriver::tellPiecesKept(const QString& folder, bool resumable) {
    shell_.MsgBox({Text(Res::PiecesKept).arg(folder) + (resumable ? Text(Res::ResumeHint) : QString()),
                   MsgButtons::Ok,
                   MsgIcon::Exclamation,
                   0,
                   {}});
}

bool JobDriver::deliverFloppy(int64_t pieceSize) {
    std::unique_ptr<UDisks> udisks;
    std::unique_ptr<DiskSlot> slot;
    if (job_.DesktopDisks) {
        udisks = UDisks::Connect();
        if (!udisks)
            throw JobError(Text(Res::NoDiskService));
        slot = std::make_unique<DesktopSlot>(*udisks);
    } else {
        slot = std::make_unique<FolderSlot>(settings_.FloppyDrive());
    }
    slot->checkPieceSize(pieceSize);
    const QString folder = PrivateTempFolder();
    const int count = splitInto(folder, pieceSize, false);
    DiskSeries disks(*slot, BodyText(job_, settings_), shell_);
    if (!disks.write(job_.SourceFile, count, folder)) {
        tellPiecesKept(folder);
        return false;
    }
    shell_.Inform(Text(Res::JobSucceeded));
    return true;
}

bool JobDriver::deliverFolder(int64_t pieceSize) {
    const int count = SplitFile(job_.SourceFile, pieceSize, job_.SplitFolder, false, shell_, job_.ReceiverFiles);
    shell_.Inform(PiecesCreatedText(count));
    return true;
}

void JobDriver::storeSettings() {
    // The job itself is done; a store that failed is told, with what the next run will not remember.
    StoreJobSettings(job_, settings_);
    TellStoreProblem(settings_, shell_);
}
