#pragma once

#include "app/FileDialog.h"
#include "app/GuiThreadShell.h"
#include "archive/ArchiveEditor.h"
#include "core/SplitJob.h"
#include "dialup/NetworkManagerDialUp.h"
#include "settings/Settings.h"
#include "shell/Shell.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QThread;

// The wizard: welcome, source archive, size and destination, summary with the progress of the job. The
// controls are public, so that the dialogs, the archive page and the tests reach them.
class WizardWindow : public QDialog {
    Q_OBJECT
public:
    WizardWindow(Settings& settings, Shell& shell, QWidget* parent = nullptr);
    ~WizardWindow() override;

    // The load step: captions, version, layout, the stored settings in the fields, mail selected.
    void load();
    // Puts a job's values into the fields (the command line's, before the window is shown).
    void showJob(const SplitJob& job);
    // The job as the fields hold it now.
    SplitJob& job();

    void showProgress(int percent, const QString& text);
    // The summary page's text for the fields as they are.
    QString summaryText();

    int currentPage = 0;
    QString lastFolder;
    // True when the last job run from Finish failed; the window stays open then.
    bool lastJobFailed() const { return lastJobFailed_; }
    // A job started from Finish runs on a thread of its own until it ends; Cancel asks it to stop.
    bool jobRunning() const { return running_; }

    // Event handlers.
    void onNextClicked();
    void onBackClicked();
    void onCancelClicked();
    void onFinishClicked();
    // The frames and fields follow the destination chosen, the custom size field its option.
    void updateDestination();
    void onSizeChosen();
    void onShowWelcomeClicked();
    void onChooseFolderClicked();
    void onMessageOptionsClicked();
    void onMailSettingsClicked();
    // The source archive page.
    void onNewArchiveClicked();
    void onOpenArchiveClicked();
    void onAddFilesClicked();
    void onRemoveEntryClicked();
    void onSourceNameChanged();
    // Shows the archive's entries and sizes; a listing without entries leaves the list and the line as they are.
    void listArchive(const QString& path);

    // Shows the e-mail settings dialog when the sender, the server or the dial-up connection is missing.
    void askForMissingMailSettings();

    std::array<QWidget*, 4> pages{};
    std::array<QFrame*, 2> separators{};
    // Page 0
    QLabel* welcomePicture;
    QLabel* titleLabel;
    QLabel* versionLabel;
    QLabel* welcomeText;
    QCheckBox* showWelcomeBox;
    // Page 1
    QLabel* sourceLabel;
    QLineEdit* sourceField;
    QPushButton* openButton;
    QPushButton* newButton;
    QLabel* entriesLabel;
    QListWidget* entryList;
    QLabel* archiveSizes;
    QPushButton* addFilesButton;
    QPushButton* removeButton;
    // Page 2
    QGroupBox* sizeGroup;
    std::array<QRadioButton*, 5> sizeOptions{};
    QLineEdit* customSizeField;
    QRadioButton* filesOption;
    QGroupBox* filesGroup;
    QRadioButton* floppyOption;
    QRadioButton* folderOption;
    QLineEdit* folderField;
    QPushButton* chooseFolderButton;
    QRadioButton* mailOption;
    QGroupBox* mailGroup;
    QLabel* sendToLabel;
    QComboBox* sendToField;
    QLabel* subjectLabel;
    QLineEdit* subjectField;
    QPushButton* messageOptionsButton;
    QPushButton* mailSettingsButton;
    QCheckBox* batchAsTextBox;
    QCheckBox* receiverFilesBox;
    // Page 3
    QLabel* summaryLabel;
    QFrame* progressFrame;
    QLabel* progressBar;
    QLabel* statusLine;
    // The button row
    QPushButton* backButton;
    QPushButton* nextButton;
    QPushButton* finishButton;
    QPushButton* cancelButton;

    NetworkManagerDialUp dialUp;
    // The file dialog of the archive page.
    FileDialog fileDialog;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPages();
    void showPage(int index);
    void fillEmptySubject(const QString& archiveName);
    // Runs the change, tells a failure, and lists the archive again.
    void changeArchive(ZipRequest& request);
    void jobEnded(const SplitJob& job, bool success);

    Settings& settings_;
    Shell& shell_;
    SplitJob job_;
    bool running_ = false;
    bool lastJobFailed_ = false;
    GuiThreadShell jobShell_;
    QThread* jobThread_ = nullptr;
    bool closeAfterJob_ = false;
};
