#pragma once

#include "settings/SettingsStore.h"
#include "shell/Shell.h"

#include <QString>

#include <QStringList>

#include <functional>
#include <map>
#include <optional>

// The user's settings, each read from the store once per run and written to it by a set that changes it. A
// store that cannot be written does not end anything: the value lives on in memory, and the failure waits in
// takeStoreProblem() to be told.
class Settings {
public:
    // programFolder: the default of SplitDir. dialUpAvailable: the default of UseRAS, asked only when the
    // key is absent.
    Settings(SettingsStore& store, QString programFolder, std::function<bool()> dialUpAvailable);

    QString SplitDir();
    void setSplitDir(const QString& v);

    // Selects the recipient slot (1..10) that ToEMailAddress reads and writes; not stored.
    int EMailAddressIndex() const { return emailIndex_; }
    void setEMailAddressIndex(int slot);

    QString ToEMailAddress();
    void setToEMailAddress(const QString& v);

    QString DefaultBody();
    void setDefaultBody(const QString& v);

    bool UseRAS();
    void setUseRAS(bool v);

    QString RASPhoneBook();
    void setRASPhoneBook(const QString& v);

    QString RASConnection();
    void setRASConnection(const QString& v);

    // A job stops when its dial-up connection cannot be made, instead of mailing over the network as it is.
    bool RASRequired();
    void setRASRequired(bool v);

    QString Host();
    void setHost(const QString& v);

    // The rest of the outgoing server: Port, Security (starttls, tls, none), Login (none, password, oauth2), User
    // (empty: the sender's address). Texts as stored; the mail account reads them.
    QString MailPort();
    void setMailPort(const QString& v);
    QString MailSecurity();
    void setMailSecurity(const QString& v);
    QString MailLogin();
    void setMailLogin(const QString& v);
    QString MailUser();
    void setMailUser(const QString& v);
    // A command whose first line of output is the password (for pass or secret-tool). Set by hand only.
    QString PasswordCommand();
    // Login=oauth2: where the access token comes from. TokenCommand's first line of output (for oama, mailctl);
    // else, with UseGnomeAccount, GNOME Online Accounts' account of the sender's address; else the browser
    // sign-in, whose provider is a preset picked from the address or server, or the OAuth* keys below when
    // OAuthAuthorizeUrl is set. OAuthClientId/OAuthClientSecret replace the build's client id of a preset.
    QString TokenCommand();
    bool UseGnomeAccount();
    void setUseGnomeAccount(bool v);
    QString OAuthAuthorizeUrl();
    void setOAuthAuthorizeUrl(const QString& v);
    QString OAuthTokenUrl();
    void setOAuthTokenUrl(const QString& v);
    QString OAuthScope();
    void setOAuthScope(const QString& v);
    QString OAuthClientId();
    void setOAuthClientId(const QString& v);
    QString OAuthClientSecret();
    void setOAuthClientSecret(const QString& v);

    QString FromEMailAddress();
    void setFromEMailAddress(const QString& v);

    QString FriendlyName();
    void setFriendlyName(const QString& v);

    // The stored size option; a stored text that is no 16-bit number reads as 1.
    int SplitSize();
    void setSplitSize(int v);

    QString CustomSplitSize();
    void setCustomSplitSize(const QString& v);

    bool ShowWelcome();
    void setShowWelcome(bool v);

    // A checksum list and a join script for Linux and macOS go with every set.
    bool ReceiverFiles();
    void setReceiverFiles(bool v);

    // The folder where the removable disks for floppy output are mounted.
    QString FloppyDrive();
    void setFloppyDrive(const QString& v);

    // Seconds to wait for the mail server's reply to a command, and to a whole message; a stored text that
    // is no positive number reads as the default (RFC 5321 4.5.3.2: 300 and 600). Set by hand only.
    int MailReplyTimeout();
    int MailMessageTimeout();
    // Seconds to wait for the mail server to take the connection (30).
    int MailConnectTimeout();

    static constexpr int kRecipientSlots = 10;

    // Where the settings are kept, for messages.
    QString Location();

    // What the user should hear of the store since the last call, or nothing: a settings file kept aside,
    // and the first failure to write, with the file, the reason and the keys not stored. Each once a run.
    QString takeStoreProblem();

private:
    QString text(const QString& key, const QString& defaultValue);
    void setText(const QString& key, const QString& value);
    QString slotKey() const;
    int seconds(const QString& key, int defaultValue);

    SettingsStore& store_;
    QString programFolder_;
    std::function<bool()> dialUpAvailable_;
    int emailIndex_ = 1;
    struct Cached {
        QString value;
        bool stored = false; // the store holds exactly this value
    };
    std::map<QString, Cached> cache_;
    QStringList unstored_;
    QString failure_;
    bool failureTold_ = false;
};

// Tells the user what takeStoreProblem() has, in a warning box.
void TellStoreProblem(Settings& settings, Shell& shell);
