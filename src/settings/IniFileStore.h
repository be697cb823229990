#pragma once

#include "settings/SettingsStore.h"

#include <QString>
#include <QStringList>

#include <map>
#include <optional>

// The store in one INI file per application: $XDG_CONFIG_HOME/<app>/<app>.conf (~/.config when the variable
// is not set), section "General" as [General]. A value comes back exactly as it was written, commas and
// quotes included; lines the store does not change stay as they are, comments included; the file is
// replaced whole on every write, never left half written. A file it cannot parse is kept aside under a new
// name before a fresh one is written, and takeNotice() says where.
class IniFileStore : public SettingsStore {
public:
    IniFileStore() = default;
    // Every application's settings in this one file (tests, screenshots).
    explicit IniFileStore(const QString& iniFile) : iniFile_(iniFile) {}

    QString read(const QString& app, const QString& section, const QString& key, const QString& defaultValue) override;
    void write(const QString& app, const QString& section, const QString& key, const QString& text) override;
    QString location(const QString& app) override;
    QString takeNotice() override;

private:
    struct Line {
        QString text; // as in the file, for lines the store keeps as they are
        QString section, key;
        bool written = false; // a setting written in this run: its line is made anew
    };
    struct File {
        QString path;
        std::vector<Line> lines;
        std::map<std::pair<QString, QString>, QString> values; // (section, key) -> text
        QString unparsable;                                    // why the file cannot be parsed; empty when it can
        QString unreadable; // why it cannot even be read; nothing is written over it then
    };

    File& fileOf(const QString& app);
    void load(File& file);
    void setAside(File& file);
    void save(File& file);

    QString iniFile_;
    std::map<QString, File> files_;
    QString notice_;
};

// A value as an INI file holds it: escapes for line breaks, backslashes and quotes, in double quotes when it
// has blanks at an end or a character that separates (",;#="), a leading "@" doubled. QSettings reads it the same.
QString EncodeIniValue(const QString& value);
// The value of the text after "="; nothing when a quote is left open.
std::optional<QString> DecodeIniValue(const QString& raw);
