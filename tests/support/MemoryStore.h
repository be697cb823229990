#pragma once

#include "settings/SettingsStore.h"

#include <map>

// A settings store in memory that counts its reads and writes; failWrites makes every write fail.
class MemoryStore : public SettingsStore {
public:
    QString read(const QString& app, const QString& section, const QString& key, const QString& defaultValue) override {
        ++reads[key];
        const auto it = values.find(app + u'/' + section + u'/' + key);
        return it == values.end() ? defaultValue : it->second;
    }
    void write(const QString& app, const QString& section, const QString& key, const QString& text) override {
        if (failWrites)
            throw SettingsError(QStringLiteral("memory"),
                                QStringLiteral("The settings could not be stored in 'memory': it is read-only."));
        ++writes;
        values[app + u'/' + section + u'/' + key] = text;
    }
    QString location(const QString&) override { return QStringLiteral("memory"); }

    // Keys of Brevimo's General section, one or several lines of "key=value" as in the INI file.
    void set(const QString& key, const QString& text) { values[path(key)] = text; }
    void set(const QString& lines) {
        for (const QString& line : lines.split(u'\n'))
            set(line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    QString get(const QString& key) const {
        return values.count(path(key)) ? values.at(path(key)) : QStringLiteral("<none>");
    }

    std::map<QString, QString> values; // "app/section/key" -> text
    std::map<QString, int> reads;      // key -> number of reads
    int writes = 0;
    bool failWrites = false;

private:
    static QString path(const QString& key) { return QStringLiteral("Brevimo/General/") + key; }
};
