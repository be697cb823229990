#pragma once

#include "dialup/NetworkManagerDialUp.h"
#include "mail/MailAccount.h"
#include "settings/Settings.h"

#include <QDialog>

#include <optional>

class GnomeAccountOffer;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class QThread;
class OAuthBrowserSignIn;

// The e-mail settings: sender, server, sign-in and dial-up connection. OK writes every field, the password into
// the keyring; a server or port that cannot work disables OK, with the reason beside the field. Cancel writes
// nothing but what a browser sign-in kept in the keyring.
class MailSettingsDialog : public QDialog {
    Q_OBJECT
public:
    MailSettingsDialog(Settings& settings, NetworkManagerDialUp& ras, QWidget* parent = nullptr);
    ~MailSettingsDialog() override;

    void load();
    void onDialUpClicked();
    void onBrowsePhoneBookClicked();
    void onOkClicked();
    void onCancelClicked();
    // Connects, starts TLS and signs in with the fields' values, off the window's thread; the result shows
    // in testResultLabel and testFinished() follows.
    void onTestClicked();
    // Login=oauth2: the sign-in in the browser, whose tokens the keyring keeps at once; clicked again, Cancel.
    void onSignInClicked();

    // Values found for the sender's address elsewhere; they go in only while the server field is empty, and
    // source says under the fields where they came from.
    void fillServer(const QString& host, int port, const QString& security, const QString& login, const QString& source,
                    const QString& user = {});
    // What a lookup is doing or why it found nothing; shown only while the server is empty or its own.
    void showServerNote(const QString& note);
    // The account as the fields give it.
    MailAccount accountFromFields() const;

signals:
    // The address was edited while the server field is empty: a lookup may fill it with fillServer().
    void addressNeedsServer(const QString& address);
    void testFinished(bool succeeded);
    void signInFinished(bool succeeded);

public:
    QGroupBox* fromGroup;
    QLabel* nameLabel;
    QLineEdit* nameField;
    QLabel* addressLabel;
    QLineEdit* addressField;
    QGroupBox* serverGroup;
    QLabel* serverLabel;
    QLineEdit* serverField;
    QLabel* serverProblemLabel;
    QLabel* portLabel;
    QLineEdit* portField;
    QLabel* portProblemLabel;
    QLabel* securityLabel;
    QComboBox* securityField;
    QLabel* signInLabel;
    QComboBox* signInField;
    QLabel* userLabel;
    QLineEdit* userField;
    QLabel* passwordLabel;
    QLineEdit* passwordField;
    QLabel* keyringLabel;
    QPushButton* signInButton;
    QLabel* signInStatusLabel;
    QLabel* serverSourceLabel;
    QPushButton* testButton;
    QLabel* testResultLabel;
    GnomeAccountOffer* gnomeAccountBox;
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
    // Checks the server fields; OK and Test follow.
    void checkFields();
    void onSecurityChosen(int index);
    void onAddressEdited();
    // The server field is empty or holds what a lookup put there, so a lookup may (re)fill it.
    bool serverIsOurs() const;
    void lookUpStoredPassword();
    // What the browser sign-in of the fields' account has kept, or what keeps it from working.
    void showSignInStatus();
    void setSignInStatus(const QString& status);
    // Ticked: the fields take GNOME Online Accounts' server and user, and the OAuth2 sign-in.
    void onGnomeAccountToggled(bool ticked);

    QThread* test_ = nullptr;
    OAuthBrowserSignIn* signIn_ = nullptr;
    QString lookedUpServer_; // what the last lookup filled in, which a lookup for another address may replace
    QString lookedUpFor_;
    QString portShownFor_; // the default port the security choice put in, so that another choice may replace it

    Settings& settings_;
    NetworkManagerDialUp& ras_;
};
