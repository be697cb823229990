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
    setProperty("Tag", QStringLiteral("5000"));
    setModal(true);
    Label1 = MakeControl<QLabel>(this, "Label1", 5001);
    txtCC = MakeControl<QLineEdit>(this, "txtCC", 0, 5006);
    Label2 = MakeControl<QLabel>(this, "Label2", 5002);
    txtBCC = MakeControl<QLineEdit>(this, "txtBCC", 0, 5006);
    Label3 = MakeControl<QLabel>(this, "Label3", 5003);
    txtBodyText = MakeControl<QPlainTextEdit>(this, "txtBodyText", 0, 5007);
    cmdSave = MakeControl<QPushButton>(this, "cmdSave", 5004);
    cmdOk = MakeControl<QPushButton>(this, "cmdOk", 10001);
    cmdCancel = MakeControl<QPushButton>(this, "cmdCancel", 10002);
    cmdOk->setDefault(true);
    for (QPushButton* b : {cmdSave, cmdCancel})
        b->setAutoDefault(false);

    auto* g = new QGridLayout(this);
    g->addWidget(Label1, 0, 0);
    g->addWidget(txtCC, 0, 1);
    g->addWidget(Label2, 1, 0);
    g->addWidget(txtBCC, 1, 1);
    g->addWidget(Label3, 2, 0, 1, 2);
    g->addWidget(txtBodyText, 3, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSave);
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addWidget(cmdCancel);
    g->addLayout(buttons, 4, 0, 1, 2);
    g->setRowStretch(3, 1);
    resize(460, 320);

    connect(cmdSave, &QPushButton::clicked, this, &MessageOptionsDialog::cmdSave_Click);
    connect(cmdOk, &QPushButton::clicked, this, &MessageOptionsDialog::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &MessageOptionsDialog::cmdCancel_Click);
}

void MessageOptionsDialog::Form_Load() {
    FillCaptions(this);
    Mnemonic(Label1, u'C', txtCC);
    Mnemonic(Label2, u'B', txtBCC);
    Mnemonic(Label3, u't', txtBodyText);
    Mnemonic(cmdSave, u'S');
    TabMovesFocus(txtBodyText);
    txtCC->setText(job_.CarbonCopy);
    txtBCC->setText(job_.BlindCarbonCopy);
    txtBodyText->setPlainText(job_.Body.isEmpty() ? settings_.DefaultBody() : job_.Body);
}

void MessageOptionsDialog::cmdOk_Click() {
    job_.CarbonCopy = txtCC->text();
    job_.BlindCarbonCopy = txtBCC->text();
    job_.Body = txtBodyText->toPlainText();
    accept();
}

void MessageOptionsDialog::cmdCancel_Click() {
    reject();
}

void MessageOptionsDialog::cmdSave_Click() {
    const MsgResult answer = shell_.MsgBox({Text(5005), MsgButtons::YesNo, MsgIcon::None, 1, Text(5000)});
    if (answer == MsgResult::Yes)
        settings_.setDefaultBody(txtBodyText->toPlainText());
}
