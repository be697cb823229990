#include "disks/UDisks.h"

#include "core/ComponentError.h"
#include "core/DBusObjects.h"

#include <QAtomicInt>
#include <QDBusArgument>
#include <QDBusMessage>

#include <algorithm>

namespace {

using namespace DBusObjects;

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kRoot = QStringLiteral("/org/freedesktop/UDisks2");
const QString kBlock = QStringLiteral("org.freedesktop.UDisks2.Block");
const QString kFilesystem = QStringLiteral("org.freedesktop.UDisks2.Filesystem");
const QString kDrive = QStringLiteral("org.freedesktop.UDisks2.Drive");

// A blocked or absent service must not hang the wizard; mounting may take a while on a slow card.
constexpr int kQuickTimeout = 5000;
constexpr int kMountTimeout = 60000;

// UDisks2 keeps paths as byte strings with a trailing NUL.
QString bytePath(const QByteArray& bytes) {
    QByteArray path = bytes;
    while (path.endsWith('\0'))
        path.chop(1);
    return QString::fromLocal8Bit(path);
}

QDBusMessage call(const QDBusConnection& bus, const QString& path, const QString& interface, const QString& method,
                  const QVariantList& args, int timeout) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(args);
    const QDBusMessage reply = bus.call(message, QDBus::Block, timeout);
    if (reply.type() == QDBusMessage::ErrorMessage)
        throw ComponentError(0, reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage());
    return reply;
}

QVariantList noOptions() {
    return {QVariant::fromValue(QVariantMap())};
}

ManagedObjects managedObjects(const QDBusConnection& bus, int timeout) {
    const QDBusMessage reply = call(bus, kRoot, QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                    QStringLiteral("GetManagedObjects"), {}, timeout);
    if (reply.arguments().isEmpty())
        throw ComponentError(0, QStringLiteral("UDisks2 sent an empty answer"));
    return qdbus_cast<ManagedObjects>(reply.arguments().constFirst());
}

} // namespace

UDisks::UDisks(QDBusConnection bus) : bus_(std::move(bus)) {}

UDisks::~UDisks() {
    QDBusConnection::disconnectFromBus(bus_.name());
}

std::unique_ptr<UDisks> UDisks::Connect() {
    DBusObjects::registerTypes();
    // A connection of our own to the address named now: libdbus reads the system bus's address once per process.
    static QAtomicInt serial;
    const QString name = QStringLiteral("brevimo-udisks-%1").arg(serial.fetchAndAddRelaxed(1));
    QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    if (address.isEmpty())
        address = QStringLiteral("unix:path=/var/run/dbus/system_bus_socket");
    QDBusConnection bus = QDBusConnection::connectToBus(address, name);
    std::unique_ptr<UDisks> udisks(new UDisks(bus));
    if (!bus.isConnected())
        return nullptr;
    try {
        // The service starts on this first call when the bus activates it.
        managedObjects(bus, kQuickTimeout);
    } catch (const ComponentError&) {
        return nullptr; // no UDisks2: the disks are mounted on the fixed folder
    }
    return udisks;
}

std::vector<RemovableDisk> UDisks::disks() const {
    const ManagedObjects objects = managedObjects(bus_, kQuickTimeout);
    std::vector<RemovableDisk> found;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const Interfaces& interfaces = it.value();
        if (!interfaces.contains(kBlock) || !interfaces.contains(kFilesystem))
            continue;
        const Properties& block = interfaces[kBlock];
        const QString drivePath = block.value(QStringLiteral("Drive")).value<QDBusObjectPath>().path();
        const Properties drive = objects.value(QDBusObjectPath(drivePath)).value(kDrive);
        if (block.value(QStringLiteral("ReadOnly")).toBool() || block.value(QStringLiteral("HintIgnore")).toBool() ||
            block.value(QStringLiteral("HintSystem")).toBool() || !drive.value(QStringLiteral("Removable")).toBool())
            continue;
        RemovableDisk disk;
        disk.object = it.key().path();
        disk.drive = drivePath;
        disk.device = bytePath(block.value(QStringLiteral("Device")).toByteArray());
        disk.label = block.value(QStringLiteral("IdLabel")).toString();
        if (disk.label.isEmpty())
            disk.label = disk.device.section(u'/', -1);
        disk.fsType = block.value(QStringLiteral("IdType")).toString();
        disk.size = static_cast<int64_t>(block.value(QStringLiteral("Size")).toULongLong());
        const auto mountPoints =
            qdbus_cast<QByteArrayList>(interfaces[kFilesystem].value(QStringLiteral("MountPoints")));
        if (!mountPoints.isEmpty())
            disk.mountPoint = bytePath(mountPoints.constFirst());
        disk.canPowerOff = drive.value(QStringLiteral("CanPowerOff")).toBool();
        disk.detected = drive.value(QStringLiteral("TimeMediaDetected")).toULongLong();
        found.push_back(disk);
    }
    std::sort(found.begin(), found.end(),
              [](const RemovableDisk& a, const RemovableDisk& b) { return a.object < b.object; });
    return found;
}

QString UDisks::mount(const RemovableDisk& disk) const {
    const QDBusMessage reply =
        call(bus_, disk.object, kFilesystem, QStringLiteral("Mount"), noOptions(), kMountTimeout);
    return reply.arguments().isEmpty() ? QString() : reply.arguments().constFirst().toString();
}

void UDisks::unmount(const RemovableDisk& disk) const {
    call(bus_, disk.object, kFilesystem, QStringLiteral("Unmount"), noOptions(), kMountTimeout);
}

void UDisks::powerOff(const RemovableDisk& disk) const {
    call(bus_, disk.drive, kDrive, QStringLiteral("PowerOff"), noOptions(), kMountTimeout);
}
