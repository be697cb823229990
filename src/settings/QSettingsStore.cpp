#include "settings/QSettingsStore.h"

#include "core/ResStrings.h"

#include <QStringList>

QSettingsStore::QSettingsStore(const QString& iniFile) : iniFile_(iniFile) {}

QSettings& QSettingsStore::settingsOf(const QString& app) {
    auto& s = byApp_[app];
    if (!s) {
        if (iniFile_.isEmpty())
            s = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, app, app);
        else
            s = std::make_unique<QSettings>(iniFile_, QSettings::IniFormat);
    }
    return *s;
}

QString QSettingsStore::qtKey(const QString& section, const QString& key) {
    // QSettings keeps keys outside any group in [General]; a group named "General" would become [%General].
    return section == u"General" ? key : section + u'/' + key;
}

QString QSettingsStore::read(const QString& app, const QString& section, const QString& key,
                             const QString& defaultValue) {
    const QVariant v = settingsOf(app).value(qtKey(section, key));
    if (!v.isValid())
        return defaultValue;
    // A hand-edited value with unquoted commas reads as a list; it was one text.
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(u',');
    return v.toString();
}

void QSettingsStore::write(const QString& app, const QString& section, const QString& key, const QString& text) {
    QSettings& s = settingsOf(app);
    s.setValue(qtKey(section, key), text);
    s.sync();
    if (s.status() != QSettings::NoError)
        throw SettingsError(s.fileName(), LoadResString(Res::SettingsNotStored).arg(s.fileName()));
}

QString QSettingsStore::location(const QString& app) {
    return settingsOf(app).fileName();
}
