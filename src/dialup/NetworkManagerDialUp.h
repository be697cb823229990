#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The dial-up component over NetworkManager's command-line client. The default phonebook (PhoneBook empty)
// is NetworkManager's connections of the kinds made for a job (mobile broadband, PPPoE, Bluetooth dial-up,
// VPN, WireGuard); a phonebook file is an INI file whose section names are the entries. nmcli is looked up on
// PATH when it is run. Failing calls throw ComponentError.
class NetworkManagerDialUp {
public:
    // NetworkManager answers.
    bool ManagerAnswers() const;
    // NetworkManager answers and has a connection to dial.
    bool Available() const;

    QString PhoneBook() const { return phoneBook_; }
    void setPhoneBook(const QString& path) { phoneBook_ = path; }
    QString EntryName;
    bool Blocking = false;

    // Fails for an entry that is not in the phonebook.
    void GetEntry();
    // Brings the entry's connection up; with Blocking, returns when it is up or has failed. A connection that
    // is up already is used as it is, and Disconnect leaves it up.
    void Connect();
    void Disconnect();

    int16_t EntryCount() const;
    QString Entry(int index) const;

    static constexpr int EntryNotFound = 623; // the platform's "phonebook entry not found"
    static constexpr int ConnectFailed = 651;
    static constexpr int SecondsToWait = 90;

private:
    QStringList entries() const;
    bool isActive(const QString& name) const;

    QString phoneBook_;
    QString loaded_; // the entry GetEntry found, and Connect dials
    QString connected_;
};

// The section names of a phonebook file, in the file's order.
QStringList PhoneBookEntries(const QString& path);
