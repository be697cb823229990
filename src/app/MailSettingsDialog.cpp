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
    SetCaptionIds(this, Res::MailSettingsTitle);
    setModal(true);

    fromGroup = MakeControl<QGroupBox>(this, "fromGroup", Res::FromGroup);
    nameLabel = MakeControl<QLabel>(fromGroup, "nameLabel", Res::FriendlyNameLabel);
    nameField = MakeControl<QLineEdit>(fromGroup, "nameField", Res::NoText, Res::FriendlyNameTip);
    addressLabel = MakeControl<QLabel>(fromGroup, "addressLabel", Res::AddressLabel);
    addressField = MakeControl<QLineEdit>(fromGroup, "addressField", Res::NoText, Res::AddressTip);
    serverGroup = MakeControl<QGroupBox>(this, "serverGroup", Res::HostGroup);
    serverField = MakeControl<QLineEdit>(serverGroup, "serverField", Res::NoText, Res::HostTip);
    dialUpBox = MakeControl<QCheckBox>(this, "dialUpBox", Res::DialUpBox, Res::DialUpTip);
    dialUpGroup = MakeControl<QGroupBox>(this, "dialUpGroup");
    phoneBookLabel = MakeControl<QLabel>(dialUpGroup, "phoneBookLabel", Res::PhoneBookLabel);
    phoneBookField = MakeControl<QLineEdit>(dialUpGroup, "phoneBookField", Res::NoText, Res::PhoneBookTip);
    browseButton = MakeControl<QPushButton>(dialUpGroup, "browseButton");
    browseButton->setText(QStringLiteral("..."));
    connectionLabel = MakeControl<QLabel>(dialUpGroup, "connectionLabel", Res::ConnectionLabel);
    connectionField = MakeControl<QComboBox>(dialUpGroup, "connectionField", Res::NoText, Res::ConnectionTip);
    dialUpRequiredBox =
        MakeControl<QCheckBox>(dialUpGroup, "dialUpRequiredBox", Res::StopWithoutDialUp, Res::StopWithoutDialUpTip);
    okButton = MakeControl<QPushButton>(this, "okButton", Res::OkButton);
    cancelButton = MakeControl<QPushButton>(this, "cancelButton", Res::CancelButton);
    okButton->setDefault(true);

    auto* from = new QGridLayout(fromGroup);
    from->addWidget(nameLabel, 0, 0);
    from->addWidget(nameField, 0, 1);
    from->addWidget(addressLabel, 1, 0);
    from->addWidget(addressField, 1, 1);
    auto* host = new QVBoxLayout(serverGroup);
    host->addWidget(serverField);
    auto* dialUp = new QGridLayout(dialUpGroup);
    dialUp->addWidget(phoneBookLabel, 0, 0, 1, 2);
    dialUp->addWidget(phoneBookField, 1, 0);
    dialUp->addWidget(browseButton, 1, 1);
    dialUp->addWidget(connectionLabel, 2, 0, 1, 2);
    dialUp->addWidget(connectionField, 3, 0, 1, 2);
    dialUp->addWidget(dialUpRequiredBox, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* all = new QVBoxLayout(this);
    all->addWidget(fromGroup);
    all->addWidget(serverGroup);
    all->addWidget(dialUpBox);
    all->addWidget(dialUpGroup);
    all->addLayout(buttons);
    setMinimumWidth(380);

    connect(dialUpBox, &QCheckBox::clicked, this, &MailSettingsDialog::onDialUpClicked);
    connect(browseButton, &QPushButton::clicked, this, &MailSettingsDialog::onBrowsePhoneBookClicked);
    connect(okButton, &QPushButton::clicked, this, &MailSettingsDialog::onOkClicked);
    connect(cancelButton, &QPushButton::clicked, this, &MailSettingsDialog::onCancelClicked);
}

void MailSettingsDialog::enableDialUp(bool on) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{dialUpGroup, phoneBookField, browseButton, connectionField, dialUpRequiredBox})
        w->setEnabled(on);
}

void MailSettingsDialog::load() {
    FillCaptions(this);
    Mnemonic(nameLabel, u'F', nameField);
    Mnemonic(addressLabel, u'M', addressField);
    Mnemonic(serverGroup, u'H');
    Mnemonic(dialUpBox, u'D');
    Mnemonic(phoneBookLabel, u'L', phoneBookField);
    Mnemonic(connectionLabel, u'C', connectionField);
    Mnemonic(dialUpRequiredBox, u'S');
    SpeakAs(browseButton, Text(Res::PhoneBookTitle)); // its caption is "..."
    const bool useRas = settings_.UseRAS();
    dialUpBox->setChecked(useRas);
    enableDialUp(useRas);
    if (ras_.available()) {
        try {
            const int count = ras_.entryCount();
            for (int p = 0; p < count; ++p)
                connectionField->addItem(ras_.entry(p));
        } catch (const ComponentError&) {
            // A phonebook that cannot be read lists nothing; the rest of the dialog works.
        }
    }
    nameField->setText(settings_.FriendlyName());
    addressField->setText(settings_.FromEMailAddress());
    serverField->setText(settings_.Host());
    phoneBookField->setText(settings_.RASPhoneBook());
    dialUpRequiredBox->setChecked(settings_.RASRequired());
    connectionField->setCurrentIndex(
        connectionField->findText(settings_.RASConnection(), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void MailSettingsDialog::onDialUpClicked() {
    enableDialUp(dialUpBox->isChecked());
}

void MailSettingsDialog::onBrowsePhoneBookClicked() {
    FileDialog dialog;
    dialog.setOwner(this);
    dialog.filter = Text(Res::PhoneBookFilter);
    dialog.initialFolder = QCoreApplication::applicationDirPath();
    dialog.title = Text(Res::PhoneBookTitle);
    dialog.fileName = phoneBookField->text();
    dialog.flags = FileDialog::FileMustExist | FileDialog::HideReadOnly;
    dialog.showOpen();
    if (!dialog.cancelled && !dialog.fileName.isEmpty())
        phoneBookField->setText(dialog.fileName);
}

void MailSettingsDialog::onOkClicked() {
    settings_.setFriendlyName(nameField->text());
    settings_.setFromEMailAddress(addressField->text());
    settings_.setHost(serverField->text());
    settings_.setUseRAS(dialUpBox->isChecked());
    settings_.setRASConnection(connectionField->currentIndex() >= 0 ? connectionField->currentText() : QString());
    settings_.setRASPhoneBook(phoneBookField->text());
    settings_.setRASRequired(dialUpRequiredBox->isChecked());
    accept();
}

void MailSettingsDialog::onCancelClicked() {
    reject();
}
