#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// The dial-up component over NetworkManager's command-line client. The default phonebook (phoneBook empty)
// is NetworkManager's connections of the kinds made for a job (mobile broadband, PPPoE, Bluetooth dial-up,
// VPN, WireGuard); a phonebook file is an INI file whose section names are the entries. nmcli is looked up on
// PATH when it is run. Failing calls throw ComponentError.
class NetworkManagerDialUp {
public:
    // NetworkManager answers.
    bool managerAnswers() const;
    // NetworkManager answers and has a connection to dial.
    bool available() const;

    QString phoneBook() const { return phoneBook_; }
    void setPhoneBook(const QString& path) { phoneBook_ = path; }
    QString entryName;
    bool blocking = false;

    // Fails for an entry that is not in the phonebook.
    void findEntry();
    // Brings the entry's connection up; with blocking, returns when it is up or has failed. A connection that
    // is up already is used as it is, and disconnect leaves it up.
    void connect();
    void disconnect();

    int16_t entryCount() const;
    QString entry(int index) const;

    static constexpr int EntryNotFound = 623; // the platform's "phonebook entry not found"
    static constexpr int ConnectFailed = 651;
    static constexpr int SecondsToWait = 90;

private:
    QStringList entries() const;
    bool isActive(const QString& name) const;

    QString phoneBook_;
    QString loaded_; // the entry findEntry found, and connect dials
    QString connected_;
};

// The section names of a phonebook file, in the file's order.
QStringList PhoneBookEntries(const QString& path);
