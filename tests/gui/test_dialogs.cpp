// The e-mail settings dialog, the message dialog and the file dialog wrapper, with real widgets offscreen.

#include "app/CommonDialog.h"
#include "app/frmMessage.h"
#include "app/frmSettings.h"
#include "gui/Modal.h"
#include "support/Files.h"
#include "support/MemoryStore.h"
#include "support/ScriptedShell.h"
#include "support/StandInNmcli.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Dialogs : public ::testing::Test {
protected:
    Dialogs() : settings(store, QStringLiteral("/opt/brevimo"), [] { return false; }) {}

    MemoryStore store;
    Settings settings;
    ScriptedShell shell;
    StandInNmcli nmcli;
    mRAS ras;
};

TEST_F(Dialogs, SettingsLoadShowsTheStoredValuesAndTheConnections) {
    nmcli.set("NMCLI_CONNECTIONS", u"Office,Home"_qs);
    store.set(u"FriendlyName"_qs, u"Jo"_qs);
    store.set(u"FromEMailAddress"_qs, u"jo@x.test"_qs);
    store.set(u"Host"_qs, u"smtps://mail.x.test"_qs);
    store.set(u"UseRAS"_qs, u"-1"_qs);
    store.set(u"RASConnection"_qs, u"Home"_qs);
    store.set(u"RASPhoneBook"_qs, u""_qs);
    frmSettings d(settings, ras);
    d.Form_Load();
    EXPECT_EQ(d.windowTitle(), u"E-Mail Settings");
    EXPECT_EQ(d.txtFriendlyName->text(), u"Jo");
    EXPECT_EQ(d.txtHostName->text(), u"smtps://mail.x.test");
    EXPECT_TRUE(d.chkUseRAS->isChecked());
    EXPECT_TRUE(d.cboPhoneBook->isEnabled());
    ASSERT_EQ(d.cboPhoneBook->count(), 2);
    EXPECT_EQ(d.cboPhoneBook->itemText(0), u"Office");
    EXPECT_EQ(d.cboPhoneBook->currentText(), u"Home");
    EXPECT_EQ(d.txtHostName->toolTip(), u"Your e-mail server (POP 3). Ask your provider, if you don't know this one.");
    EXPECT_EQ(d.Frame2->title(), u"Host:");
}

TEST_F(Dialogs, DialUpFieldsFollowTheCheckBox) {
    store.set(u"UseRAS"_qs, u"0"_qs);
    frmSettings d(settings, ras);
    d.Form_Load();
    d.show();
    for (QWidget* w : std::initializer_list<QWidget*>{d.fraRAS, d.txtFile, d.cmdFile, d.cboPhoneBook})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    d.chkUseRAS->click();
    for (QWidget* w : std::initializer_list<QWidget*>{d.fraRAS, d.txtFile, d.cmdFile, d.cboPhoneBook})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(Dialogs, UnknownConnectionSelectsNothingAndOkStoresEverythingAsTyped) {
    nmcli.set("NMCLI_CONNECTIONS", u"Office"_qs);
    store.set(u"RASConnection"_qs, u"office"_qs); // other letter case: not the same entry
    frmSettings d(settings, ras);
    d.Form_Load();
    EXPECT_EQ(d.cboPhoneBook->currentIndex(), -1);
    d.txtFriendlyName->setText(u" Jo "_qs);
    d.txtEMailAddress->setText(u"not an address"_qs);
    d.txtHostName->setText(u"h:25"_qs);
    d.txtFile->setText(u"/etc/ppp/my.pbk"_qs);
    d.cmdOk->click();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(store.get(u"FriendlyName"_qs), u" Jo ");
    EXPECT_EQ(store.get(u"FromEMailAddress"_qs), u"not an address");
    EXPECT_EQ(store.get(u"Host"_qs), u"h:25");
    EXPECT_EQ(store.get(u"RASConnection"_qs), u"");
    EXPECT_EQ(store.get(u"RASPhoneBook"_qs), u"/etc/ppp/my.pbk");
    EXPECT_EQ(store.get(u"UseRAS"_qs), u"0");
}

TEST_F(Dialogs, CancelAfterEditingStoresNothingAndNoNetworkManagerListsNothing) {
    nmcli.set("NMCLI_AVAILABLE", u"0"_qs);
    nmcli.set("NMCLI_CONNECTIONS", u"Office"_qs);
    store.set(u"Host"_qs, u"old.x.test"_qs);
    frmSettings d(settings, ras);
    d.Form_Load();
    EXPECT_EQ(d.cboPhoneBook->count(), 0);
    d.txtHostName->setText(u"new.x.test"_qs);
    d.cmdCancel->click();
    EXPECT_EQ(store.get(u"Host"_qs), u"old.x.test");
    EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST_F(Dialogs, PhonebookBrowseFillsTheFieldAndCancelKeepsIt) {
    QTemporaryDir dir;
    const QString book = dir.filePath(u"rasphone.pbk"_qs);
    WriteFile(book, "[Office]\n");
    frmSettings d(settings, ras);
    d.Form_Load();
    d.txtFile->setText(u"/old.pbk"_qs);
    WhenModal pick([&](QWidget* modal) {
        auto* f = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->windowTitle(), u"Select phonebook-file");
        EXPECT_EQ(f->nameFilters(),
                  (QStringList{u"Default phonebook-file (rasphone.pbk)"_qs, u"Phonebook-files (*.pbk)"_qs}));
        ChooseInFileDialog(f, book);
    });
    d.cmdFile_Click();
    ASSERT_TRUE(pick.happened());
    EXPECT_EQ(d.txtFile->text(), book);
    WhenModal cancel([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    d.cmdFile_Click();
    EXPECT_TRUE(cancel.happened());
    EXPECT_EQ(d.txtFile->text(), book);
}

TEST_F(Dialogs, MessageFirstOpeningShowsTheDefaultBodyAndOkTakesTheBoxes) {
    SplitJob job;
    frmMessage d(job, settings, shell);
    d.Form_Load();
    EXPECT_EQ(d.windowTitle(), u"Body Text");
    EXPECT_EQ(d.txtCC->text(), u"");
    EXPECT_TRUE(d.txtBodyText->toPlainText().startsWith(u"Copy all attatchements"));
    d.txtCC->setText(u"a@x.test, b@x.test"_qs);
    d.txtBCC->setText(u"c@x.test"_qs);
    d.txtBodyText->clear();
    d.cmdOk->click();
    EXPECT_EQ(job.CarbonCopy, u"a@x.test, b@x.test");
    EXPECT_EQ(job.BlindCarbonCopy, u"c@x.test");
    EXPECT_EQ(job.Body, u""); // the mails and the next opening use the default again

    frmMessage again(job, settings, shell);
    again.Form_Load();
    EXPECT_EQ(again.txtCC->text(), u"a@x.test, b@x.test");
    EXPECT_TRUE(again.txtBodyText->toPlainText().startsWith(u"Copy all attatchements"));
}

TEST_F(Dialogs, MessageSaveYesThenCancelKeepsTheNewDefaultButNotTheBody) {
    SplitJob job;
    job.Body = u"old body"_qs;
    job.CarbonCopy = u"cc@x.test"_qs; // as /cco: leaves it
    frmMessage d(job, settings, shell);
    d.Form_Load();
    EXPECT_EQ(d.txtCC->text(), u"cc@x.test");
    EXPECT_EQ(d.txtBodyText->toPlainText(), u"old body");
    d.txtBodyText->setPlainText(u"new default"_qs);
    shell.answer(MsgResult::Yes);
    d.cmdSave->click();
    ASSERT_EQ(shell.boxes.size(), 1u);
    EXPECT_EQ(shell.boxes[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(shell.boxes[0].defaultButton, 1); // No
    EXPECT_EQ(shell.boxes[0].icon, MsgIcon::None);
    EXPECT_EQ(shell.boxes[0].title, u"Body Text");
    EXPECT_TRUE(shell.boxes[0].text.startsWith(u"Are you shure, of save the current body text"));
    EXPECT_EQ(store.get(u"DefaultBody"_qs), u"new default");
    d.cmdCancel->click();
    EXPECT_EQ(job.Body, u"old body");

    shell.answer(MsgResult::No);
    frmMessage other(job, settings, shell);
    other.Form_Load();
    other.txtBodyText->setPlainText(u"not this"_qs);
    other.cmdSave->click();
    EXPECT_EQ(store.get(u"DefaultBody"_qs), u"new default");
}

TEST(CommonDialogFilters, VbFormToQtForm) {
    EXPECT_EQ(CommonDialog::QtFilters(u"ZIP Files (*.zip)|*.zip|All Files (*.*)|*.*||"_qs),
              (QStringList{u"ZIP Files (*.zip)"_qs, u"All Files (*.*)"_qs}));
    EXPECT_EQ(CommonDialog::QtFilters(u"Pictures|*.png;*.jpg||"_qs), QStringList{u"Pictures (*.png *.jpg)"_qs});
    EXPECT_TRUE(CommonDialog::QtFilters(QString()).isEmpty());
}

TEST(CommonDialogFilters, OpenReturnsTheChosenFileAndTellsACancel) {
    QTemporaryDir dir;
    const QString file = dir.filePath(u"a.zip"_qs);
    WriteFile(file, "PK");
    CommonDialog dlg;
    dlg.DialogTitle = u"Open existing ZIP-File"_qs;
    dlg.Filter = u"ZIP Files (*.zip)|*.zip|All Files (*.*)|*.*||"_qs;
    dlg.FilterIndex = 2;
    dlg.InitDir = dir.path();
    dlg.Flags = CommonDialog::FileMustExist;
    WhenModal pick([&](QWidget* modal) {
        auto* f = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->windowTitle(), u"Open existing ZIP-File");
        EXPECT_EQ(f->selectedNameFilter(), u"All Files (*.*)");
        ChooseInFileDialog(f, file);
    });
    dlg.ShowOpen();
    EXPECT_FALSE(dlg.Cancelled);
    EXPECT_EQ(dlg.FileName, file);
    WhenModal cancel([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
    dlg.ShowOpen();
    EXPECT_TRUE(dlg.Cancelled);
}

} // namespace
