#include "split/JobDriver.h"

#include "app/ResStrings.h"
#include "settings/JobSettings.h"
#include "split/JobError.h"
#include "split/PieceSize.h"
#include "split/SplitFile.h"

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

bool JobDriver::deliverMail(int64_t) {
    shell_.Fail(LoadResString(Res::MailNotAvailable));
    return false;
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
