#pragma once

#include "settings/SettingsStore.h"

#include <QSettings>

#include <map>
#include <memory>

// The store on QSettings' native format: on Linux $XDG_CONFIG_HOME/<app>/<app>.conf, with the keys of
// section "General" as the [General] keys of the file.
class QSettingsStore : public SettingsStore {
public:
    QSettingsStore() = default;
    // For tests: a store kept in one INI file.
    explicit QSettingsStore(const QString& iniFile);

    QString read(const QString& app, const QString& section, const QString& key, const QString& defaultValue) override;
    void write(const QString& app, const QString& section, const QString& key, const QString& text) override;

    QString location(const QString& app) override;

private:
    QSettings& settingsOf(const QString& app);
    static QString qtKey(const QString& section, const QString& key);

    QString iniFile_;
    std::map<QString, std::unique_ptr<QSettings>> byApp_;
};
