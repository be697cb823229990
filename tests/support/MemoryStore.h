#pragma once

#include "settings/SettingsStore.h"

#include <map>

// A settings store in memory that counts how often each key is read from it.
class MemoryStore : public SettingsStore {
public:
    QString read(const QString& app, const QString& section, const QString& key, const QString& defaultValue) override;
    void write(const QString& app, const QString& section, const QString& key, const QString& text) override;
    QString location(const QString&) override { return QStringLiteral("memory"); }

    std::map<QString, QString> values; // "app/section/key" -> text
    std::map<QString, int> reads;      // key -> number of reads
    int writes = 0;
    bool failWrites = false;

    void set(const QString& key, const QString& text) { values[path(key)] = text; }
    bool has(const QString& key) const { return values.count(path(key)) != 0; }
    QString get(const QString& key) const { return values.at(path(key)); }

private:
    static QString path(const QString& key) { return QStringLiteral("Brevimo/General/") + key; }
};
