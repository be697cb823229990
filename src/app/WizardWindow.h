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
    void Form_Load();
    // Puts a job's values into the fields (the command line's, before the window is shown).
    void ShowJob(const SplitJob& job);
    // The job as the fields hold it now.
    SplitJob& Job();

    void ShowProgress(int percent, const QString& text);
    // The summary page's text for the fields as they are.
    QString SummaryText();

    int CurrentStep = 0;
    QString LastFolder;
    // True when the last job run from Finish failed; the window stays open then.
    bool LastJobFailed = false;
    // A job started from Finish runs on a thread of its own until it ends; Cancel asks it to stop.
    bool JobRunning() const { return running_; }

    // Event handlers.
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdCancel_Click();
    void cmdFinish_Click();
    void optFiles_Click();
    void optMail_Click();
    void optSize_Click(int index);
    void chkAlwaysShow_Click();
    void cmdSetFolder_Click();
    void cmdBody_Click();
    void cmdEMailSettings_Click();
    // The source archive page.
    void cmdNew_Click();
    void cmdOpen_Click();
    void cmdAddFile_Click();
    void cmdRemove_Click();
    void txtZipFilename_Change();
    // Shows the archive's entries and sizes; a listing without entries leaves the list and the line as they are.
    void listArchive(const QString& path);

    // Shows the e-mail settings dialog when the sender, the server or the dial-up connection is missing.
    void MailSettingsCheck();

    std::array<QWidget*, 4> pbStep{};
    std::array<QFrame*, 2> lnLine{};
    // Page 0
    QLabel* imgWelcome;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* Label1;
    QCheckBox* chkAlwaysShow;
    // Page 1
    QLabel* Label2;
    QLineEdit* txtZipFilename;
    QPushButton* cmdOpen;
    QPushButton* cmdNew;
    QLabel* Label3;
    QListWidget* lbFiles;
    QLabel* lblZipInfo;
    QPushButton* cmdAddFile;
    QPushButton* cmdRemove;
    // Page 2
    QGroupBox* Frame1;
    std::array<QRadioButton*, 5> optSize{};
    QLineEdit* txtCustomSize;
    QRadioButton* optFiles;
    QGroupBox* fraFiles;
    QRadioButton* optFloppy;
    QRadioButton* optFolder;
    QLineEdit* txtSplitFolder;
    QPushButton* cmdSetFolder;
    QRadioButton* optMail;
    QGroupBox* fraMail;
    QLabel* Label5;
    QComboBox* cboSendTo;
    QLabel* Label6;
    QLineEdit* txtSubject;
    QPushButton* cmdBody;
    QPushButton* cmdEMailSettings;
    QCheckBox* chkBatchAsText;
    QCheckBox* chkReceiverFiles;
    // Page 3
    QLabel* lblSumary;
    QFrame* pbProgress;
    QLabel* lblProgress;
    QLabel* lblInfo;
    // The button row
    QPushButton* cmdBack;
    QPushButton* cmdNext;
    QPushButton* cmdFinish;
    QPushButton* cmdCancel;

    NetworkManagerDialUp rasDialUp;
    // The file dialog of the archive page.
    FileDialog dlgCommon;

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPages();
    void showPage(int index);
    void switchDestination();
    void fillEmptySubject(const QString& archiveName);
    // Runs the change, tells a failure, and lists the archive again.
    void changeArchive(ZipRequest& request);
    void jobEnded(const SplitJob& job, bool success);

    Settings& settings_;
    Shell& shell_;
    SplitJob job_;
    bool running_ = false;
    GuiThreadShell jobShell_;
    QThread* jobThread_ = nullptr;
    bool closeAfterJob_ = false;
};
