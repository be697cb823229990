#pragma once

#include "core/SplitJob.h"
#include "settings/Settings.h"
#include "shell/Shell.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// CC, BCC and the body text of the next mails: the job's CarbonCopy, BlindCarbonCopy and Body, which outlive
// the dialog. Save stores the body as the default body after asking.
class MessageOptionsDialog : public QDialog {
    Q_OBJECT
public:
    MessageOptionsDialog(SplitJob& job, Settings& settings, Shell& shell, QWidget* parent = nullptr);

    void Form_Load();
    void cmdOk_Click();
    void cmdCancel_Click();
    void cmdSave_Click();

    QLabel* Label1;
    QLineEdit* txtCC;
    QLabel* Label2;
    QLineEdit* txtBCC;
    QLabel* Label3;
    QPlainTextEdit* txtBodyText;
    QPushButton* cmdSave;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    SplitJob& job_;
    Settings& settings_;
    Shell& shell_;
};
