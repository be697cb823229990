#include "split/JobDriver.h"

#include "app/ResStrings.h"
#include "mail/SendSplitMails.h"
#include "mail/mMail.h"
#include "settings/JobSettings.h"
#include "split/JobError.h"
#include "split/PieceSize.h"
#include "split/SplitFile.h"

#include <QDir>
#include <QTemporaryDir>

JobDriver::JobDriver(SplitJob& job, Settings& settings, Shell& shell) : job_(job), settings_(settings), shell_(shell) {}

bool JobDriver::StartProcess() {
    bool success = false;
    try {
        const int64_t pieceSize = PieceSizeOf(job_);
        switch (job_.target()) {
        case Target::Mail:
            success = deliverMail(pieceSize);
            break;
        case Target::Floppy:
            success = deliverFloppy();
            break;
        case Target::Folder:
            success = deliverFolder(pieceSize);
            break;
        }
    } catch (const PieceSizeError& e) {
        shell_.Fail(e.message());
    } catch (const JobError& e) {
        shell_.Fail(e.message());
    }
    shell_.SetBusy(false);
    storeSettings();
    return success;
}

bool JobDriver::deliverMail(int64_t pieceSize) {
    if (settings_.Host().trimmed().isEmpty()) {
        // Nothing could be sent: say so before anything is split.
        shell_.Fail(LoadResString(Res::NoMailServer).arg(settings_.Location()));
        return false;
    }
    mMail mail;
    SplitMailSender sender(mail, job_, settings_, shell_);
    if (job_.SourceFile.isEmpty()) {
        shell_.ShowProgress(0, LoadResString(1064));
        const bool sent = sender.SendSplitMails(QString(), 0, QString());
        shell_.ShowProgress(0, LoadResString(1065));
        if (sent && !job_.NoUI)
            shell_.Inform(LoadResString(1060));
        return sent;
    }

    const QString folder = PrivateTempFolder();
    int count = 0;
    try {
        count = SplitFile(job_.SourceFile, pieceSize, folder, job_.BatchAsText, shell_);
    } catch (const JobError&) {
        QDir(folder).removeRecursively(); // ours alone, and of no use without all pieces
        throw;
    }
    shell_.ShowProgress(0, LoadResString(1064));
    const bool sent = sender.SendSplitMails(job_.SourceFile, count, folder);
    shell_.ShowProgress(0, LoadResString(1065));
    if (sent) {
        QDir().rmdir(folder);
        if (!job_.NoUI)
            shell_.Inform(LoadResString(1060));
    } else {
        shell_.MsgBox({LoadResString(Res::PiecesKept).arg(folder), MsgButtons::Ok, MsgIcon::Exclamation, 0, {}});
    }
    return sent;
}

QString PrivateTempFolder() {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/brevimo-XXXXXX"));
    if (!dir.isValid())
        throw JobError(LoadResString(Res::CannotWrite).arg(QDir::tempPath(), dir.errorString()));
    dir.setAutoRemove(false);
    return dir.path();
}

bool JobDriver::deliverFloppy() {
    shell_.Fail(LoadResString(Res::FloppyNotAvailable));
    return false;
}

bool JobDriver::deliverFolder(int64_t pieceSize) {
    const int count = SplitFile(job_.SourceFile, pieceSize, job_.SplitFolder, false, shell_);
    shell_.Inform(LoadResString(1047) + QString::number(count) + LoadResString(1048));
    return true;
}

void JobDriver::storeSettings() {
    try {
        StoreJobSettings(job_, settings_);
    } catch (const SettingsError& e) {
        // The job itself is done; the user is told that the next run will not remember it.
        shell_.MsgBox({QString::fromStdString(e.what()), MsgButtons::Ok, MsgIcon::Exclamation, 0, {}});
    }
}
