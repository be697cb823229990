#include "app/MailSettingsDialog.h"

#include "app/Captions.h"
#include "app/FileDialog.h"
#include "app/Keyboard.h"
#include "core/ComponentError.h"
#include "core/StringTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

MailSettingsDialog::MailSettingsDialog(Settings& settings, NetworkManagerDialUp& ras, QWidget* parent)
    : QDialog(parent), settings_(settings), ras_(ras) {
    setObjectName(QStringLiteral("MailSettingsDialog"));
    setProperty("Tag", QStringLiteral("4000"));
    setModal(true);

    Frame1 = MakeControl<QGroupBox>(this, "Frame1", 4001);
    Label1 = MakeControl<QLabel>(Frame1, "Label1", 4002);
    txtFriendlyName = MakeControl<QLineEdit>(Frame1, "txtFriendlyName", 0, 4011);
    Label2 = MakeControl<QLabel>(Frame1, "Label2", 4003);
    txtEMailAddress = MakeControl<QLineEdit>(Frame1, "txtEMailAddress", 0, 4012);
    Frame2 = MakeControl<QGroupBox>(this, "Frame2", 4004);
    txtHostName = MakeControl<QLineEdit>(Frame2, "txtHostName", 0, 4013);
    chkUseRAS = MakeControl<QCheckBox>(this, "chkUseRAS", 4005, 4015);
    fraRAS = MakeControl<QGroupBox>(this, "fraRAS");
    Label3 = MakeControl<QLabel>(fraRAS, "Label3", 4006);
    txtFile = MakeControl<QLineEdit>(fraRAS, "txtFile", 0, 4009);
    cmdFile = MakeControl<QPushButton>(fraRAS, "cmdFile");
    cmdFile->setText(QStringLiteral("..."));
    Label4 = MakeControl<QLabel>(fraRAS, "Label4", 4007);
    cboPhoneBook = MakeControl<QComboBox>(fraRAS, "cboPhoneBook", 0, 4014);
    chkRASRequired =
        MakeControl<QCheckBox>(fraRAS, "chkRASRequired", Res::StopWithoutDialUp, Res::StopWithoutDialUpTip);
    cmdOk = MakeControl<QPushButton>(this, "cmdOk", 10001);
    cmdCancel = MakeControl<QPushButton>(this, "cmdCancel", 10002);
    cmdOk->setDefault(true);

    auto* from = new QGridLayout(Frame1);
    from->addWidget(Label1, 0, 0);
    from->addWidget(txtFriendlyName, 0, 1);
    from->addWidget(Label2, 1, 0);
    from->addWidget(txtEMailAddress, 1, 1);
    auto* host = new QVBoxLayout(Frame2);
    host->addWidget(txtHostName);
    auto* dialUp = new QGridLayout(fraRAS);
    dialUp->addWidget(Label3, 0, 0, 1, 2);
    dialUp->addWidget(txtFile, 1, 0);
    dialUp->addWidget(cmdFile, 1, 1);
    dialUp->addWidget(Label4, 2, 0, 1, 2);
    dialUp->addWidget(cboPhoneBook, 3, 0, 1, 2);
    dialUp->addWidget(chkRASRequired, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    auto* all = new QVBoxLayout(this);
    all->addWidget(Frame1);
    all->addWidget(Frame2);
    all->addWidget(chkUseRAS);
    all->addWidget(fraRAS);
    all->addLayout(buttons);
    setMinimumWidth(380);

    connect(chkUseRAS, &QCheckBox::clicked, this, &MailSettingsDialog::chkUseRAS_Click);
    connect(cmdFile, &QPushButton::clicked, this, &MailSettingsDialog::cmdFile_Click);
    connect(cmdOk, &QPushButton::clicked, this, &MailSettingsDialog::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &MailSettingsDialog::cmdCancel_Click);
}

void MailSettingsDialog::enableDialUp(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{fraRAS, txtFile, cmdFile, cboPhoneBook, chkRASRequired})
        w->setEnabled(on);
}

void MailSettingsDialog::Form_Load() {
    FillCaptions(this);
    Mnemonic(Label1, u'F', txtFriendlyName);
    Mnemonic(Label2, u'M', txtEMailAddress);
    Mnemonic(Frame2, u'H');
    Mnemonic(chkUseRAS, u'R');
    Mnemonic(Label3, u'P', txtFile);
    Mnemonic(Label4, u'C', cboPhoneBook);
    Mnemonic(chkRASRequired, u'S');
    const bool useRas = settings_.UseRAS();
    chkUseRAS->setChecked(useRas);
    enableDialUp(useRas);
    if (ras_.Available()) {
        try {
            const int count = ras_.EntryCount();
            for (int p = 0; p < count; ++p)
                cboPhoneBook->addItem(ras_.Entry(p));
        } catch (const ComponentError&) {
            // A phonebook that cannot be read lists nothing; the rest of the dialog works.
        }
    }
    txtFriendlyName->setText(settings_.FriendlyName());
    txtEMailAddress->setText(settings_.FromEMailAddress());
    txtHostName->setText(settings_.Host());
    txtFile->setText(settings_.RASPhoneBook());
    chkRASRequired->setChecked(settings_.RASRequired());
    cboPhoneBook->setCurrentIndex(
        cboPhoneBook->findText(settings_.RASConnection(), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void MailSettingsDialog::chkUseRAS_Click() {
    enableDialUp(chkUseRAS->isChecked());
}

void MailSettingsDialog::cmdFile_Click() {
    FileDialog dlgCommon;
    dlgCommon.setOwner(this);
    dlgCommon.Filter = Text(4008);
    dlgCommon.InitDir = QCoreApplication::applicationDirPath();
    dlgCommon.DialogTitle = Text(4010);
    dlgCommon.FileName = txtFile->text();
    dlgCommon.Flags = FileDialog::FileMustExist | FileDialog::HideReadOnly;
    dlgCommon.ShowOpen();
    if (!dlgCommon.Cancelled && !dlgCommon.FileName.isEmpty())
        txtFile->setText(dlgCommon.FileName);
}

void MailSettingsDialog::cmdOk_Click() {
    settings_.setFriendlyName(txtFriendlyName->text());
    settings_.setFromEMailAddress(txtEMailAddress->text());
    settings_.setHost(txtHostName->text());
    settings_.setUseRAS(chkUseRAS->isChecked());
    settings_.setRASConnection(cboPhoneBook->currentIndex() >= 0 ? cboPhoneBook->currentText() : QString());
    settings_.setRASPhoneBook(txtFile->text());
    settings_.setRASRequired(chkRASRequired->isChecked());
    accept();
}

void MailSettingsDialog::cmdCancel_Click() {
    reject();
}
