#pragma once

#include <QDBusConnection>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// A file system on a removable disk that UDisks2 reports: a USB stick, a memory card.
struct RemovableDisk {
    QString object; // the block device's object path; stays the same while the disk is plugged in
    QString drive;  // the drive's object path
    QString device; // "/dev/sdb1"
    QString label;  // the file system's label, or the device's name when it has none
    QString fsType; // "vfat", "exfat", "ext4"...
    int64_t size = 0;
    QString mountPoint; // empty while not mounted
    bool canPowerOff = false;
    // When the drive saw this medium: a stick plugged in again may come back under the same object path.
    quint64 detected = 0;
};

// The desktop's disk service, UDisks2, on the system bus. Its calls throw ComponentError with the service's
// message; the number is 0.
class UDisks {
public:
    // Null when there is no system bus or no UDisks2 on it.
    static std::unique_ptr<UDisks> Connect();
    ~UDisks();
    UDisks(const UDisks&) = delete;
    UDisks& operator=(const UDisks&) = delete;

    // The writable file systems on removable drives now present, by object path; none that the desktop hides.
    std::vector<RemovableDisk> disks() const;
    // Mounts it where the desktop would (under /run/media/<user> or /media/<user>) and returns the folder.
    QString mount(const RemovableDisk& disk) const;
    void unmount(const RemovableDisk& disk) const;
    // Cuts the power to its drive, so that it can be pulled out; the disk vanishes from disks().
    void powerOff(const RemovableDisk& disk) const;

    // For watching: InterfacesAdded and InterfacesRemoved of the object manager, PropertiesChanged of the disks.
    QDBusConnection& connection() { return bus_; }

private:
    explicit UDisks(QDBusConnection bus);
    QDBusConnection bus_;
};
