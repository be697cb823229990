#include "support/MemoryStore.h"

QString MemoryStore::read(const QString& app, const QString& section, const QString& key, const QString& defaultValue) {
    ++reads[key];
    const auto it = values.find(app + u'/' + section + u'/' + key);
    return it == values.end() ? defaultValue : it->second;
}

void MemoryStore::write(const QString& app, const QString& section, const QString& key, const QString& text) {
    if (failWrites)
        throw SettingsError(QStringLiteral("memory"), QStringLiteral("cannot store ") + key);
    ++writes;
    values[app + u'/' + section + u'/' + key] = text;
}
