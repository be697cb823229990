#pragma once

#include <QString>

#include <stdexcept>

// An error of a component the job uses (the mail session, the dial-up connections, the archive library): a number
// in the component's meaning (for mail, the platform's socket errors where it is a network failure: 11001 host
// not found, 10060 time-out, 10054 reset, 10061 refused, ...; the SMTP reply code where the server refused; for
// archives, libzip's code), and a description for the user.
class ComponentError : public std::runtime_error {
public:
    ComponentError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number), description_(description) {}
    int number() const { return number_; }
    const QString& description() const { return description_; }

private:
    int number_;
    QString description_;
};
