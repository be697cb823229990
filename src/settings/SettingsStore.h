#pragma once

#include <QString>

#include <stdexcept>

// The per-user settings store: texts under (application, section, key).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or defaultValue when the key is absent; a present key gives its text even when empty.
    virtual QString read(const QString& app, const QString& section, const QString& key,
                         const QString& defaultValue) = 0;
    // Writes at once; throws SettingsError when the store cannot be written.
    virtual void write(const QString& app, const QString& section, const QString& key, const QString& text) = 0;
    // Where the application's settings live, for messages.
    virtual QString location(const QString& app) = 0;
    // What the user should hear of the store's own doing (a file kept aside), once; empty when nothing.
    virtual QString takeNotice() { return {}; }
};

class SettingsError : public std::runtime_error {
public:
    SettingsError(const QString& location, const QString& message)
        : std::runtime_error(message.toStdString()), location_(location) {}
    const QString& location() const { return location_; }

private:
    QString location_;
};
