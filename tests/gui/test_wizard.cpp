// The wizard's real widgets, offscreen: pages and buttons, the load step, the destination switches, the
// summary, the progress bar and Finish. Boxes go through the scripted shell; modal dialogs are closed from a
// timer.

#include "app/frmMain.h"
#include "app/frmSettings.h"
#include "gui/Modal.h"
#include "support/Files.h"
#include "support/MemoryStore.h"
#include "support/ScriptedShell.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Wizard : public ::testing::Test {
public:
    // Which page is visible, and the three buttons' states.
    struct State {
        int page;
        bool back, next, finish;
        bool operator==(const State&) const = default;
    };

protected:
    Wizard() : settings(store, QStringLiteral("/opt/brevimo"), [] { return false; }) {
        store.set(u"FriendlyName"_qs, u"Jo"_qs);
        store.set(u"FromEMailAddress"_qs, u"jo@x.test"_qs);
        store.set(u"Host"_qs, u"mail.x.test"_qs);
        store.set(u"UseRAS"_qs, u"0"_qs);
    }

    frmMain& open() {
        window = std::make_unique<frmMain>(settings, shell);
        window->Form_Load();
        window->show();
        return *window;
    }

    State state() const {
        int visible = -1;
        for (int i = 0; i < 4; ++i)
            if (window->pbStep[i]->isVisible()) {
                EXPECT_EQ(visible, -1) << "two pages visible";
                visible = i;
            }
        return {visible, window->cmdBack->isEnabled(), window->cmdNext->isEnabled(), window->cmdFinish->isEnabled()};
    }

    MemoryStore store;
    Settings settings;
    ScriptedShell shell;
    std::unique_ptr<frmMain> window;
};

void PrintTo(const Wizard::State& s, std::ostream* os) {
    *os << "page " << s.page << " back " << s.back << " next " << s.next << " finish " << s.finish;
}

TEST_F(Wizard, PagesAndButtonsWithTheWelcomePage) {
    frmMain& w = open();
    EXPECT_EQ(state(), (State{0, false, true, false}));
    w.cmdNext_Click();
    EXPECT_EQ(state(), (State{1, true, true, false}));
    w.cmdNext_Click();
    EXPECT_EQ(state(), (State{2, true, true, false}));
    w.cmdNext_Click();
    EXPECT_EQ(state(), (State{3, true, false, true}));
    w.cmdBack_Click();
    EXPECT_EQ(state(), (State{2, true, true, false}));
    w.cmdBack_Click();
    w.cmdBack_Click();
    EXPECT_EQ(state(), (State{0, false, true, false}));
    EXPECT_TRUE(shell.boxes.empty());
}

TEST_F(Wizard, PagesAndButtonsWithoutTheWelcomePage) {
    store.set(u"ShowWelcome"_qs, u"0"_qs);
    frmMain& w = open();
    EXPECT_EQ(state(), (State{1, false, true, false}));
    EXPECT_FALSE(w.chkAlwaysShow->isChecked());
    w.cmdNext_Click();
    w.cmdBack_Click();
    EXPECT_EQ(state(), (State{1, true, true, false}));
    w.cmdBack_Click();
    EXPECT_EQ(state(), (State{0, false, true, false}));
}

TEST_F(Wizard, AlwaysShowIsStoredAtOnceAndTheNextStartOpensOnPageOne) {
    frmMain& w = open();
    EXPECT_TRUE(w.chkAlwaysShow->isChecked());
    const int before = store.writes;
    w.chkAlwaysShow->click();
    EXPECT_EQ(store.get(u"ShowWelcome"_qs), u"0");
    EXPECT_GT(store.writes, before);

    Settings nextRun(store, QStringLiteral("/opt/brevimo"), [] { return false; });
    frmMain again(nextRun, shell);
    again.Form_Load();
    again.show();
    EXPECT_TRUE(again.pbStep[1]->isVisible());
    EXPECT_FALSE(again.pbStep[0]->isVisible());
}

TEST_F(Wizard, LoadStepFillsTheFieldsFromTheSettings) {
    store.set(u"ToEMailAddress02"_qs, u"two@x.test"_qs);
    store.set(u"ToEMailAddress05"_qs, u"five@x.test"_qs);
    store.set(u"SplitSize"_qs, u"4"_qs);
    store.set(u"CustomSplitSize"_qs, u"100 MB"_qs);
    store.set(u"SplitDir"_qs, u"/srv/pieces"_qs);
    frmMain& w = open();
    ASSERT_EQ(w.cboSendTo->count(), 2);
    EXPECT_EQ(w.cboSendTo->itemText(0), u"two@x.test");
    EXPECT_EQ(w.cboSendTo->itemText(1), u"five@x.test");
    EXPECT_EQ(w.cboSendTo->currentText(), u"two@x.test");
    EXPECT_TRUE(w.optSize[4]->isChecked());
    EXPECT_TRUE(w.txtCustomSize->isEnabled());
    EXPECT_EQ(w.txtCustomSize->text(), u"100 MB");
    EXPECT_EQ(w.txtSplitFolder->text(), u"/srv/pieces");
    EXPECT_TRUE(w.optMail->isChecked());
    EXPECT_FALSE(w.optFiles->isEnabled());
    EXPECT_TRUE(w.optFolder->isChecked());
    EXPECT_TRUE(w.chkBatchAsText->isChecked());
    EXPECT_EQ(w.lblVersion->text(), u"1.00.000");
    EXPECT_EQ(w.windowTitle(), u"Brevimo");
    // Typing a name does not enable the files option.
    QTest::keyClicks(w.txtZipFilename, u"a.zip"_qs);
    EXPECT_FALSE(w.optFiles->isEnabled());
}

TEST_F(Wizard, EmptyHistoryOpensEmptyWithoutAMessage) {
    frmMain& w = open();
    EXPECT_EQ(w.cboSendTo->count(), 0);
    EXPECT_EQ(w.cboSendTo->currentText(), u"");
    EXPECT_TRUE(shell.boxes.empty());
}

TEST_F(Wizard, SwitchingBetweenMailAndFiles) {
    frmMain& w = open();
    SplitJob job = w.Job();
    job.FilesOptionEnabled = true; // as New or Open on the archive page leave it
    w.ShowJob(job);
    w.cmdNext_Click();
    w.cmdNext_Click();
    ASSERT_TRUE(w.optFiles->isEnabled());
    w.optFiles->click();
    EXPECT_TRUE(w.optFiles->isChecked());
    EXPECT_FALSE(w.fraMail->isEnabled());
    EXPECT_FALSE(w.chkBatchAsText->isEnabled()); // follows its frame
    EXPECT_FALSE(w.cboSendTo->isEnabled());
    for (QWidget* c :
         std::initializer_list<QWidget*>{w.fraFiles, w.optFloppy, w.optFolder, w.txtSplitFolder, w.cmdSetFolder})
        EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();

    w.optFloppy->click();
    w.optMail->click();
    EXPECT_TRUE(w.fraMail->isEnabled());
    EXPECT_TRUE(w.chkBatchAsText->isEnabled());
    EXPECT_FALSE(w.optFloppy->isEnabled());
    EXPECT_TRUE(w.optFloppy->isChecked()); // kept, though disabled
    EXPECT_EQ(w.Job().target(), Target::Mail);
}

TEST_F(Wizard, CustomSizeBoxFollowsTheSizeOption) {
    frmMain& w = open();
    w.cmdNext_Click();
    w.cmdNext_Click();
    EXPECT_FALSE(w.txtCustomSize->isEnabled());
    w.optSize[4]->click();
    EXPECT_TRUE(w.txtCustomSize->isEnabled());
    w.optSize[0]->click();
    EXPECT_FALSE(w.txtCustomSize->isEnabled());
}

TEST_F(Wizard, SummaryForMailFloppyAndFolder) {
    frmMain& w = open();
    w.txtZipFilename->setText(u"/data/report.zip"_qs);
    w.optSize[4]->click();
    w.txtCustomSize->setText(u"100 MB"_qs);
    w.cboSendTo->setCurrentText(u"anna@x.test"_qs);
    w.txtSubject->setText(u"Photos"_qs);
    for (int i = 0; i < 3; ++i)
        w.cmdNext_Click();
    EXPECT_EQ(w.lblSumary->text(),
              u"\nBrevimo has collected the following informations:\n\nSource file:'/data/report.zip'"
              "\nSplitfile size: 104,857,600 Bytes\n\nSendto: 'anna@x.test'\nCC: '<none>'   "
              "BCC: '<none>'\nSubject: 'Photos'\n\nBrevimo is ready to go. Please click 'Finish' "
              "to proccede."_qs);

    w.Job().CarbonCopy = u"c@x.test,d@x.test"_qs;
    w.Job().BlindCarbonCopy = u"e@x.test"_qs;
    EXPECT_TRUE(w.SummaryText().contains(u"CC: 'c@x.test,d@x.test'   BCC: 'e@x.test'\n"));

    SplitJob job = w.Job();
    job.FilesOptionEnabled = true;
    job.MailSelected = false;
    job.FloppySelected = true;
    job.SizeIndex = 3; // "2 MB" does not count for disks
    w.ShowJob(job);
    EXPECT_EQ(w.SummaryText(), u"\nBrevimo has collected the following informations:\n\nSource file:'/data/report.zip'"
                               "\nSplitfile size: 1,433,600 Bytes\n\nCreate splitfiles in the following folder:\n"
                               "'/media/floppy'\n\nBrevimo is ready to go. Please click 'Finish' to proccede."_qs);
    w.optFolder->click();
    w.txtSplitFolder->setText(u"/srv/out"_qs);
    EXPECT_TRUE(w.SummaryText().contains(u"Splitfile size: 2,097,152 Bytes\n\nCreate splitfiles in the following "
                                         "folder:\n'/srv/out'\n"));
}

TEST_F(Wizard, SummaryWarnsOfACustomSizeThatFinishWouldRefuse) {
    frmMain& w = open();
    w.optSize[4]->click();
    w.txtCustomSize->setText(u"100"_qs);
    const QString text = w.SummaryText();
    EXPECT_TRUE(text.contains(u"Splitfile size: ? Bytes"));
    EXPECT_TRUE(text.contains(u"The custom size '100' cannot be used")) << text.toStdString();
}

TEST_F(Wizard, MissingSenderOpensTheSettingsOnTheWayToTheSummaryAlsoForFolders) {
    store.set(u"FriendlyName"_qs, u""_qs);
    frmMain& w = open();
    SplitJob job = w.Job();
    job.MailSelected = false;
    job.FilesOptionEnabled = true;
    job.SplitFolder = u"/srv/out"_qs;
    w.ShowJob(job);
    w.cmdNext_Click();
    w.cmdNext_Click();
    WhenModal cancel([](QWidget* dialog) { static_cast<frmSettings*>(dialog)->cmdCancel->click(); });
    w.cmdNext_Click();
    EXPECT_EQ(cancel.className(), u"frmSettings");
    EXPECT_EQ(state(), (State{3, true, false, true}));
    EXPECT_TRUE(w.lblSumary->text().contains(u"'/srv/out'")); // built after Cancel all the same
    EXPECT_EQ(store.get(u"FriendlyName"_qs), u"");
}

TEST_F(Wizard, DialUpWithoutConnectionOpensTheSettingsToo) {
    store.set(u"UseRAS"_qs, u"-1"_qs);
    frmMain& w = open();
    w.cmdNext_Click();
    w.cmdNext_Click();
    WhenModal ok([](QWidget* dialog) {
        auto* d = static_cast<frmSettings*>(dialog);
        d->txtFriendlyName->setText(u"Joanna"_qs);
        d->cmdOk->click();
    });
    w.cmdNext_Click();
    EXPECT_TRUE(ok.happened());
    EXPECT_EQ(store.get(u"FriendlyName"_qs), u"Joanna");
}

TEST_F(Wizard, CompleteSettingsGoStraightToTheSummary) {
    frmMain& w = open();
    for (int i = 0; i < 3; ++i)
        w.cmdNext_Click();
    EXPECT_EQ(state().page, 3);
    EXPECT_TRUE(w.lblSumary->text().startsWith(u"\nBrevimo has collected"));
}

TEST_F(Wizard, ProgressBarWidths) {
    frmMain& w = open();
    for (int i = 0; i < 3; ++i)
        w.cmdNext_Click();
    w.pbProgress->setVisible(true);
    w.pbProgress->setFixedWidth(210); // inner width 208 px; 4 px stay free at each end: 200 px of bar
    QApplication::processEvents();
    const int inner = w.pbProgress->contentsRect().width();
    ASSERT_EQ(inner, 208);

    w.ShowProgress(0, u"Connect to mailserver..."_qs);
    EXPECT_FALSE(w.lblProgress->isVisible());
    EXPECT_EQ(w.lblInfo->text(), u"Connect to mailserver...");
    w.ShowProgress(50, u"Writing: a.001"_qs);
    EXPECT_TRUE(w.lblProgress->isVisible());
    EXPECT_EQ(w.lblProgress->width(), 100);
    EXPECT_EQ(w.lblProgress->x(), w.pbProgress->contentsRect().left() + 4);
    w.ShowProgress(100, u""_qs);
    EXPECT_EQ(w.lblProgress->width(), 200);
    EXPECT_EQ(w.lblInfo->text(), u"");
    w.ShowProgress(150, u"x"_qs);
    EXPECT_EQ(w.lblProgress->width(), 200);
    w.ShowProgress(-7, u"odd"_qs);
    EXPECT_FALSE(w.lblProgress->isVisible());
    EXPECT_EQ(w.lblInfo->text(), u"odd");
}

TEST_F(Wizard, FinishOnAFolderJobClosesTheWindowAndLeavesThePieces) {
    QTemporaryDir dir;
    const QString source = dir.filePath(u"report.zip"_qs);
    WriteFile(source, PatternBytes(2500000));
    frmMain& w = open();
    SplitJob job = w.Job();
    job.SourceFile = source;
    job.MailSelected = false;
    job.FilesOptionEnabled = true;
    job.SplitFolder = dir.path();
    w.ShowJob(job);
    for (int i = 0; i < 3; ++i)
        w.cmdNext_Click();
    w.cmdFinish->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.LastJobFailed);
    EXPECT_EQ(shell.texts().back(), u"There were 3 splitfiles created.");
    EXPECT_EQ(FolderEntries(dir.path()),
              (QStringList{u"report.001"_qs, u"report.002"_qs, u"report.003"_qs, u"report.bat"_qs, u"report.zip"_qs}));
    EXPECT_TRUE(w.pbProgress->isVisible() || !w.isVisible());
    EXPECT_EQ(store.get(u"SplitDir"_qs), dir.path());
}

TEST_F(Wizard, FailedJobStaysOnTheSummaryWithFinishAndCancel) {
    frmMain& w = open();
    SplitJob job = w.Job();
    job.SourceFile = u"/nonexistent/report.zip"_qs;
    job.MailSelected = false;
    job.FilesOptionEnabled = true;
    job.SplitFolder = QDir::tempPath();
    w.ShowJob(job);
    for (int i = 0; i < 3; ++i)
        w.cmdNext_Click();
    w.cmdFinish->click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.LastJobFailed);
    EXPECT_EQ(state(), (State{3, true, false, true}));
    EXPECT_TRUE(w.cmdCancel->isEnabled());
    ASSERT_FALSE(shell.boxes.empty());
    EXPECT_TRUE(shell.boxes.back().text.contains(u"/nonexistent/report.zip"));
}

TEST_F(Wizard, EscIsCancelAndEnterIsNext) {
    frmMain& w = open();
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_EQ(state().page, 1);
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
}

TEST_F(Wizard, FolderPickerTakesTheChoiceAndKeepsTheBoxOnCancel) {
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(u"chosen"_qs));
    frmMain& w = open();
    w.txtSplitFolder->setText(dir.path());
    WhenModal choose([&](QWidget* modal) {
        auto* d = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), u"Select splitfiles-folder");
        EXPECT_EQ(QDir(d->directory()).absolutePath(), QDir(dir.path()).absolutePath());
        ChooseInFileDialog(d, dir.filePath(u"chosen"_qs));
    });
    w.cmdSetFolder_Click();
    EXPECT_TRUE(choose.happened());
    EXPECT_EQ(w.txtSplitFolder->text(), dir.filePath(u"chosen"_qs));

    WhenModal cancel([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    w.cmdSetFolder_Click();
    EXPECT_TRUE(cancel.happened());
    EXPECT_EQ(w.txtSplitFolder->text(), dir.filePath(u"chosen"_qs));
}

TEST_F(Wizard, CommandLineValuesShowInTheFields) {
    frmMain& w = open();
    SplitJob job = w.Job();
    job.SourceFile = u"/data/x.bin"_qs;
    job.SizeIndex = 0;
    job.MailSelected = false;
    job.SplitFolder = u"/srv/out"_qs; // /dst: enables and selects the files option
    job.CarbonCopy = u"cc@x.test"_qs;
    w.ShowJob(job);
    EXPECT_EQ(w.txtZipFilename->text(), u"/data/x.bin");
    EXPECT_TRUE(w.optSize[0]->isChecked());
    EXPECT_TRUE(w.optFiles->isEnabled());
    EXPECT_TRUE(w.optFiles->isChecked());
    EXPECT_TRUE(w.optFolder->isChecked());
    EXPECT_TRUE(w.txtSplitFolder->isEnabled());
    EXPECT_EQ(w.Job().CarbonCopy, u"cc@x.test");
    EXPECT_EQ(w.Job().target(), Target::Folder);
}

} // namespace

namespace {

TEST_F(Wizard, TheFloppyChoiceNamesTheConfiguredDiskFolder) {
    store.set(u"FloppyDrive"_qs, u"/mnt/disk"_qs);
    frmMain& w = open();
    EXPECT_EQ(w.optFloppy->text(), u"Floppy disk /mnt/disk");
    SplitJob job = w.Job();
    job.MailSelected = false;
    job.FilesOptionEnabled = true;
    job.FloppySelected = true;
    w.ShowJob(job);
    EXPECT_TRUE(w.SummaryText().contains(u"folder:\n'/mnt/disk'\n"));
}

} // namespace
