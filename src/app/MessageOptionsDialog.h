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

    void load();
    void onOkClicked();
    void onCancelClicked();
    void onSaveAsDefaultClicked();

    QLabel* ccLabel;
    QLineEdit* ccField;
    QLabel* bccLabel;
    QLineEdit* bccField;
    QLabel* bodyLabel;
    QPlainTextEdit* bodyField;
    QPushButton* saveAsDefaultButton;
    QPushButton* okButton;
    QPushButton* cancelButton;

private:
    SplitJob& job_;
    Settings& settings_;
    Shell& shell_;
};
