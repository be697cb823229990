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

    void Form_Load();
    void chkUseRAS_Click();
    void cmdFile_Click();
    void cmdOk_Click();
    void cmdCancel_Click();

    QGroupBox* Frame1;
    QLabel* Label1;
    QLineEdit* txtFriendlyName;
    QLabel* Label2;
    QLineEdit* txtEMailAddress;
    QGroupBox* Frame2;
    QLineEdit* txtHostName;
    QCheckBox* chkUseRAS;
    QGroupBox* fraRAS;
    QLabel* Label3;
    QLineEdit* txtFile;
    QPushButton* cmdFile;
    QLabel* Label4;
    QComboBox* cboPhoneBook;
    QCheckBox* chkRASRequired;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void enableDialUp(bool on);

    Settings& settings_;
    NetworkManagerDialUp& ras_;
};
