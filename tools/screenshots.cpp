// Steps through the wizard's four pages and its two dialogs with sample values and saves a PNG of each into
// the folder given, so that a person can look at them. Run by scripts/screenshots under Xvfb.

#include "app/DestinationPage.h"
#include "app/GuiShell.h"
#include "app/JoinPage.h"
#include "app/MailSettingsDialog.h"
#include "app/MessageOptionsDialog.h"
#include "app/ProgressBar.h"
#include "app/SourcePage.h"
#include "app/SummaryPage.h"
#include "app/WelcomePage.h"
#include "app/WizardWindow.h"
#include "archive/ArchiveEditor.h"
#include "settings/IniFileStore.h"
#include "settings/Settings.h"
#include "split/SplitFile.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include <cstdio>

namespace {

bool save(QWidget* w, const QString& folder, const char* name) {
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    QTemporaryDir config;
    IniFileStore store(config.filePath(QStringLiteral("Brevimo.conf")));
    Settings settings(store, QDir::homePath(), [] { return false; });
    settings.setFriendlyName(QStringLiteral("Jo Example"));
    settings.setFromEMailAddress(QStringLiteral("jo@example.org"));
    settings.setHost(QStringLiteral("smtp://mail.example.org:587"));
    settings.setUseRAS(false);
    settings.setEMailAddressIndex(1);
    settings.setToEMailAddress(QStringLiteral("anna@example.org"));
    settings.setEMailAddressIndex(2);
    settings.setToEMailAddress(QStringLiteral("ben@example.org"));

    GuiShell shell;
    WizardWindow window(settings, shell);
    window.load();
    window.show();
    bool ok = save(&window, folder, "1-welcome");
    window.onNextClicked();
    {
        // A real archive, so that the page shows its list and sizes.
        const QString archive = config.filePath(QStringLiteral("holiday-photos.zip"));
        QStringList files;
        for (const char* name : {"beach.jpg", "harbour.jpg", "notes.txt"}) {
            QFile f(config.filePath(QString::fromLatin1(name)));
            if (f.open(QIODevice::WriteOnly))
                f.write(QByteArray(name).repeated(20000));
            files << f.fileName();
        }
        ArchiveEditor editor(archive);
        if (editor.add(files) != 0)
            std::fprintf(stderr, "%s\n", qPrintable(editor.errorText()));
        window.sourcePage->sourceField->setText(archive);
        window.sourcePage->listArchive(archive);
    }
    ok &= save(&window, folder, "2-source");
    window.onNextClicked();
    window.destinationPage->subjectField->setText(QStringLiteral("Holiday photos"));
    ok &= save(&window, folder, "3-destination");

    MailSettingsDialog settingsDialog(settings, window.dialUp, &window);
    settingsDialog.load();
    settingsDialog.signInField->setCurrentIndex(1); // Password
    settingsDialog.passwordField->setText(QStringLiteral("app-password"));
    settingsDialog.show();
    ok &= save(&settingsDialog, folder, "5-settings-dialog");
    settingsDialog.close();
    MessageOptionsDialog messageDialog(window.job(), settings, shell, &window);
    messageDialog.load();
    messageDialog.show();
    ok &= save(&messageDialog, folder, "6-message-dialog");
    messageDialog.close();

    window.onNextClicked();
    window.summaryPage->progressBar->setVisible(true);
    QApplication::processEvents();
    window.showProgress(40, QStringLiteral("Send message: 'holiday-photos.zip 2 of 5'"));
    ok &= save(&window, folder, "4-summary");

    // A path of 200 characters wraps on the summary page; the status line keeps both of its ends.
    const QString deep = QStringLiteral("/home/jo/Documents/projects/2026/customer-archive-with-a-long-name/"
                                        "exports/final-version-approved-by-everyone/");
    const QString longName = deep + QStringLiteral("quarterly-report-with-all-appendices-and-photos.zip");
    window.onBackClicked();
    window.sourcePage->sourceField->setText(longName);
    window.onNextClicked();
    window.showProgress(65, QStringLiteral("Writing: ") + deep +
                                QStringLiteral("quarterly-report-with-all-appendices-and-photos.042"));
    ok &= save(&window, folder, "7-long-path");

    // The disk series: the USB sticks the desktop's disk service reports (the floppy folder without it).
    window.onBackClicked();
    window.destinationPage->filesOption->setEnabled(true);
    window.destinationPage->filesOption->setChecked(true);
    window.destinationPage->floppyOption->setChecked(true);
    window.destinationPage->sizeOptions[4]->setChecked(true);
    window.destinationPage->onSizeChosen();
    window.destinationPage->customSizeField->setText(QStringLiteral("700 MB"));
    window.destinationPage->updateDestination();
    window.destinationPage->refreshDisks();
    ok &= save(&window, folder, "8-usb-sticks");

    // The receiver's side: a set opened by one of its pieces, being joined.
    const QString downloads = config.filePath(QStringLiteral("Downloads"));
    QDir().mkpath(downloads);
    QFile video(config.filePath(QStringLiteral("holiday-video.mp4")));
    if (video.open(QIODevice::WriteOnly))
        video.write(QByteArray(2500000, 'v'));
    video.close();
    SplitFile(video.fileName(), 1 << 20, downloads, false, shell, true);
    SplitJob join = window.job();
    join.JoinSource = downloads + QStringLiteral("/holiday-video.002");
    window.showJob(join);
    window.joinPage->progressBar->setVisible(true);
    window.showProgress(40, QStringLiteral("Joining holiday-video.001"));
    ok &= save(&window, folder, "9-join");
    return ok ? 0 : 1;
}
