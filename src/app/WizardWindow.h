#pragma once

#include "app/GuiThreadShell.h"
#include "core/SplitJob.h"
#include "dialup/NetworkManagerDialUp.h"
#include "settings/Settings.h"
#include "shell/Shell.h"

#include <QDialog>

#include <array>

class DestinationPage;
class JoinPage;
class QFrame;
class QPushButton;
class QThread;
class SourcePage;
class SummaryPage;
class WelcomePage;

// The wizard: welcome, the file to split, size and destination, and the summary with the progress of the job; or
// the one page that joins a set.
// The pages and the buttons are public, so that the tests reach them as a user would.
class WizardWindow : public QDialog {
    Q_OBJECT
public:
    WizardWindow(Settings& settings, Shell& shell, QWidget* parent = nullptr);
    ~WizardWindow() override;

    // The captions, the version, the stored settings in the fields, mail selected; the welcome page unless the
    // settings say otherwise.
    void load();
    // Puts a job's values into the fields (the command line's, before the window is shown).
    void showJob(const SplitJob& job);
    // The job as the fields hold it now.
    SplitJob& job();

    void showProgress(int percent, const QString& text);
    // The summary page's text for the fields as they are.
    QString summaryText();

    int currentPage = 0;
    // True when the last job run from Finish failed; the window stays open then.
    bool lastJobFailed() const { return lastJobFailed_; }
    // A job started from Finish runs on a thread of its own until it ends; Cancel asks it to stop.
    bool jobRunning() const { return running_; }

    void onNextClicked();
    void onBackClicked();
    void onCancelClicked();
    void onFinishClicked();
    void onShowWelcomeClicked();
    void onMessageOptionsClicked();
    void onMailSettingsClicked();
    // Shows the e-mail settings dialog when the sender, the server or the dial-up connection is missing.
    void askForMissingMailSettings();

    // Shown alone, instead of the four, while the job joins a set.
    JoinPage* joinPage;
    WelcomePage* welcomePage;
    SourcePage* sourcePage;
    DestinationPage* destinationPage;
    SummaryPage* summaryPage;
    std::array<QWidget*, 4> pages{};
    std::array<QFrame*, 2> separators{};
    QPushButton* backButton;
    QPushButton* nextButton;
    QPushButton* finishButton;
    QPushButton* cancelButton;

    NetworkManagerDialUp dialUp;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPages();
    void buildButtons();
    void showPage(int index);
    bool joining() const { return !job_.JoinSource.isEmpty(); }
    void showJoinPage();
    void onSplitInsteadClicked();
    void jobEnded(const SplitJob& job, bool success);
    // A mail job met a browser sign-in the provider no longer takes (why): the sign-in is offered, and after it
    // the job starts again.
    void offerSignIn(const QString& why);

    Settings& settings_;
    Shell& shell_;
    SplitJob job_;
    bool running_ = false;
    bool lastJobFailed_ = false;
    GuiThreadShell jobShell_;
    QThread* jobThread_ = nullptr;
    bool closeAfterJob_ = false;
};
