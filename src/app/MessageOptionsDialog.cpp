#include "app/MessageOptionsDialog.h"

#include "app/Captions.h"
#include "app/Keyboard.h"
#include "core/StringTable.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

MessageOptionsDialog::MessageOptionsDialog(SplitJob& job, Settings& settings, Shell& shell, QWidget* parent)
    : QDialog(parent), job_(job), settings_(settings), shell_(shell) {
    setObjectName(QStringLiteral("MessageOptionsDialog"));
    SetCaptionIds(this, Res::MessageOptionsTitle);
    setModal(true);
    ccLabel = MakeControl<QLabel>(this, "ccLabel", Res::CcLabel);
    ccField = MakeControl<QLineEdit>(this, "ccField", Res::NoText, Res::AddressesTip);
    bccLabel = MakeControl<QLabel>(this, "bccLabel", Res::BccLabel);
    bccField = MakeControl<QLineEdit>(this, "bccField", Res::NoText, Res::AddressesTip);
    bodyLabel = MakeControl<QLabel>(this, "bodyLabel", Res::BodyLabel);
    bodyField = MakeControl<QPlainTextEdit>(this, "bodyField", Res::NoText, Res::BodyTip);
    saveAsDefaultButton = MakeControl<QPushButton>(this, "saveAsDefaultButton", Res::SaveAsDefault);
    okButton = MakeControl<QPushButton>(this, "okButton", Res::OkButton);
    cancelButton = MakeControl<QPushButton>(this, "cancelButton", Res::CancelButton);
    okButton->setDefault(true);
    for (QPushButton* b : {saveAsDefaultButton, cancelButton})
        b->setAutoDefault(false);

    auto* g = new QGridLayout(this);
    g->addWidget(ccLabel, 0, 0);
    g->addWidget(ccField, 0, 1);
    g->addWidget(bccLabel, 1, 0);
    g->addWidget(bccField, 1, 1);
    g->addWidget(bodyLabel, 2, 0, 1, 2);
    g->addWidget(bodyField, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveAsDefaultButton);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    g->addLayout(buttons, 4, 0, 1, 2);
    g->setRowStretch(3, 1);
    resize(460, 320);

    connect(saveAsDefaultButton, &QPushButton::clicked, this, &MessageOptionsDialog::onSaveAsDefaultClicked);
    connect(okButton, &QPushButton::clicked, this, &MessageOptionsDialog::onOkClicked);
    connect(cancelButton, &QPushButton::clicked, this, &MessageOptionsDialog::onCancelClicked);
}

void MessageOptionsDialog::load() {
    FillCaptions(this);
    Mnemonic(ccLabel, u'C', ccField);
    Mnemonic(bccLabel, u'B', bccField);
    Mnemonic(bodyLabel, u't', bodyField);
    Mnemonic(saveAsDefaultButton, u'S');
    TabMovesFocus(bodyField);
    ccField->setText(job_.CarbonCopy);
    bccField->setText(job_.BlindCarbonCopy);
    bodyField->setPlainText(job_.Body.isEmpty() ? settings_.DefaultBody() : job_.Body);
}

void MessageOptionsDialog::onOkClicked() {
    job_.CarbonCopy = ccField->text();
    job_.BlindCarbonCopy = bccField->text();
    job_.Body = bodyField->toPlainText();
    accept();
}

void MessageOptionsDialog::onCancelClicked() {
    reject();
}

void MessageOptionsDialog::onSaveAsDefaultClicked() {
    const MsgResult answer = shell_.MsgBox(
        {Text(Res::SaveAsDefaultQuestion), MsgButtons::YesNo, MsgIcon::None, 1, Text(Res::MessageOptionsTitle)});
    if (answer == MsgResult::Yes)
        settings_.setDefaultBody(bodyField->toPlainText());
}
