#pragma once

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMap>
#include <QString>
#include <QVariant>

// What a service's org.freedesktop.DBus.ObjectManager answers to GetManagedObjects, as QtDBus reads it: each
// object's interfaces with their properties.
namespace DBusObjects {

using Properties = QMap<QString, QVariant>;
using Interfaces = QMap<QString, Properties>;
using ManagedObjects = QMap<QDBusObjectPath, Interfaces>;

// Makes the types known to QtDBus; once per process is enough, more does no harm.
inline void registerTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<Properties>();
        qDBusRegisterMetaType<Interfaces>();
        qDBusRegisterMetaType<ManagedObjects>();
        return true;
    }();
    (void)registered;
}

} // namespace DBusObjects
