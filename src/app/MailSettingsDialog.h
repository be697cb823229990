#pragma once

#include "dialup/NetworkManagerDialUp.h"
#include "settings/Settings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The e-mail settings: sender, server and dial-up connection. OK writes every field as typed; Cancel nothing.
class MailSettingsDialog : public QDialog {
    Q_OBJECT
public:
    MailSettingsDialog(Settings& settings, NetworkManagerDialUp& ras, QWidget* parent = nullptr);

    void load();
    void onDialUpClicked();
    void onBrowsePhoneBookClicked();
    void onOkClicked();
    void onCancelClicked();

    QGroupBox* fromGroup;
    QLabel* nameLabel;
    QLineEdit* nameField;
    QLabel* addressLabel;
    QLineEdit* addressField;
    QGroupBox* serverGroup;
    QLineEdit* serverField;
    QCheckBox* dialUpBox;
    QGroupBox* dialUpGroup;
    QLabel* phoneBookLabel;
    QLineEdit* phoneBookField;
    QPushButton* browseButton;
    QLabel* connectionLabel;
    QComboBox* connectionField;
    QCheckBox* dialUpRequiredBox;
    QPushButton* okButton;
    QPushButton* cancelButton;

private:
    void enableDialUp(bool on);

    Settings& settings_;
    NetworkManagerDialUp& ras_;
};
