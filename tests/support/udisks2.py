"""Stands in for the UDisks2 daemon, which a test cannot run: org.freedesktop.UDisks2 on a private D-Bus bus.

It serves what a client uses to find and use removable disks, with the names and signatures of UDisks 2.9: the
object manager at /org/freedesktop/UDisks2 (GetManagedObjects, InterfacesAdded, InterfacesRemoved), the Manager
object, and for each "stick" a drive (drives/Stick_NAME: Drive, with Eject and PowerOff), its whole disk
(block_devices/sdX: Block and PartitionTable, no file system) and one partition with the file system
(block_devices/sdX1: Block, Partition and Filesystem, with Mount and Unmount; a change of MountPoints is signalled
with PropertiesChanged). Properties, Introspect and the checks of argument types are GDBus's, from the XML below.

A stick is a folder the test owns, typically a small tmpfs it mounted there. Mount mounts nothing: it answers that
folder and lists it in MountPoints; Unmount empties MountPoints. It does not bind-mount either: the test process
enters a mount namespace of its own when it mounts its first tmpfs, so this peer may well see another tree, and a
mount it made as root could outlive a killed test on the machine. What the client did shows in the call log and on
the tmpfs.

--address ADDRESS   the bus to serve on (default: $DBUS_SYSTEM_BUS_ADDRESS; without either it refuses to run, so
                    that it never takes the name on the machine's own system bus)
--private-bus       start a bus of its own (dbus-daemon --session), which ends with this process
--log FILE          append each method call as "Method NAME RESULT", RESULT being "ok" or the last part of the
                    UDisks2 error's name (AlreadyMounted, NotMounted, Failed, DeviceBusy)

Prints the bus address on stdout once it owns the name (the test sets DBUS_SYSTEM_BUS_ADDRESS to it), then reads
commands from stdin, one a line, and answers each with "ok" once its signals are sent, or "error WHY" for a bad
command; it ends when stdin closes. Words are separated by blanks, so FOLDER and LABEL have none.
  add NAME FOLDER LABEL FSTYPE SIZE [FLAG...]   a stick is plugged in: NAME of [A-Za-z0-9_], FSTYPE as IdType
                                                (vfat, exfat, ext4...), SIZE in bytes, the file system's (its
                                                drive is 1 MiB more). FLAGs: "mounted" (the desktop mounted it
                                                already), "readonly", "system" (an internal disk: not removable,
                                                HintSystem), "ignore" (HintIgnore), "no-power-off" (CanPowerOff off)
  remove NAME                                   it is pulled out, mounted or not: its objects vanish
  mount NAME, unmount NAME                      the desktop (not the client) mounts or unmounts it
  fail-mount NAME [COUNT]                       the next COUNT (default 1) Mount calls fail with Error.Failed
  fail-unmount NAME [COUNT]                     the next COUNT Unmount calls fail with Error.DeviceBusy
As with UDisks2, a PowerOff makes the stick vanish (just after the reply), and PowerOff or Eject of a stick still
mounted fails with Error.Failed "The drive in use: ...". Eject changes nothing else.
"""
import argparse
import ctypes
import itertools
import os
import re
import signal
import subprocess
import sys
import time
import uuid
import zlib

from gi.repository import Gio, GLib

BUS_NAME = "org.freedesktop.UDisks2"
ROOT = "/org/freedesktop/UDisks2"
ERROR = "org.freedesktop.UDisks2.Error."

XML = """<node>
<interface name="org.freedesktop.DBus.ObjectManager">
  <method name="GetManagedObjects"><arg name="objects" direction="out" type="a{oa{sa{sv}}}"/></method>
  <signal name="InterfacesAdded"><arg name="object" type="o"/><arg name="interfaces" type="a{sa{sv}}"/></signal>
  <signal name="InterfacesRemoved"><arg name="object" type="o"/><arg name="interfaces" type="as"/></signal>
</interface>
<interface name="org.freedesktop.UDisks2.Manager">
  <property name="Version" type="s" access="read"/>
  <property name="SupportedFilesystems" type="as" access="read"/>
  <method name="GetBlockDevices">
    <arg name="options" direction="in" type="a{sv}"/><arg name="block_objects" direction="out" type="ao"/>
  </method>
</interface>
<interface name="org.freedesktop.UDisks2.Drive">
  <property name="Vendor" type="s" access="read"/> <property name="Model" type="s" access="read"/>
  <property name="Revision" type="s" access="read"/> <property name="Serial" type="s" access="read"/>
  <property name="WWN" type="s" access="read"/> <property name="Id" type="s" access="read"/>
  <property name="Configuration" type="a{sv}" access="read"/> <property name="Media" type="s" access="read"/>
  <property name="MediaCompatibility" type="as" access="read"/>
  <property name="MediaRemovable" type="b" access="read"/> <property name="MediaAvailable" type="b" access="read"/>
  <property name="MediaChangeDetected" type="b" access="read"/> <property name="Size" type="t" access="read"/>
  <property name="TimeDetected" type="t" access="read"/> <property name="TimeMediaDetected" type="t" access="read"/>
  <property name="Optical" type="b" access="read"/> <property name="OpticalBlank" type="b" access="read"/>
  <property name="OpticalNumTracks" type="u" access="read"/>
  <property name="OpticalNumAudioTracks" type="u" access="read"/>
  <property name="OpticalNumDataTracks" type="u" access="read"/>
  <property name="OpticalNumSessions" type="u" access="read"/> <property name="RotationRate" type="i" access="read"/>
  <property name="ConnectionBus" type="s" access="read"/> <property name="Seat" type="s" access="read"/>
  <property name="Removable" type="b" access="read"/> <property name="Ejectable" type="b" access="read"/>
  <property name="SortKey" type="s" access="read"/> <property name="CanPowerOff" type="b" access="read"/>
  <property name="SiblingId" type="s" access="read"/>
  <method name="Eject"><arg name="options" direction="in" type="a{sv}"/></method>
  <method name="PowerOff"><arg name="options" direction="in" type="a{sv}"/></method>
</interface>
<interface name="org.freedesktop.UDisks2.Block">
  <property name="Device" type="ay" access="read"/> <property name="PreferredDevice" type="ay" access="read"/>
  <property name="Symlinks" type="aay" access="read"/> <property name="DeviceNumber" type="t" access="read"/>
  <property name="Id" type="s" access="read"/> <property name="Size" type="t" access="read"/>
  <property name="ReadOnly" type="b" access="read"/> <property name="Drive" type="o" access="read"/>
  <property name="MDRaid" type="o" access="read"/> <property name="MDRaidMember" type="o" access="read"/>
  <property name="IdUsage" type="s" access="read"/> <property name="IdType" type="s" access="read"/>
  <property name="IdVersion" type="s" access="read"/> <property name="IdLabel" type="s" access="read"/>
  <property name="IdUUID" type="s" access="read"/> <property name="Configuration" type="a(sa{sv})" access="read"/>
  <property name="CryptoBackingDevice" type="o" access="read"/>
  <property name="HintPartitionable" type="b" access="read"/> <property name="HintSystem" type="b" access="read"/>
  <property name="HintIgnore" type="b" access="read"/> <property name="HintAuto" type="b" access="read"/>
  <property name="HintName" type="s" access="read"/> <property name="HintIconName" type="s" access="read"/>
  <property name="HintSymbolicIconName" type="s" access="read"/>
  <property name="UserspaceMountOptions" type="as" access="read"/>
</interface>
<interface name="org.freedesktop.UDisks2.PartitionTable">
  <property name="Partitions" type="ao" access="read"/> <property name="Type" type="s" access="read"/>
</interface>
<interface name="org.freedesktop.UDisks2.Partition">
  <property name="Number" type="u" access="read"/> <property name="Type" type="s" access="read"/>
  <property name="Offset" type="t" access="read"/> <property name="Size" type="t" access="read"/>
  <property name="Table" type="o" access="read"/> <property name="IsContainer" type="b" access="read"/>
  <property name="IsContained" type="b" access="read"/>
</interface>
<interface name="org.freedesktop.UDisks2.Filesystem">
  <property name="MountPoints" type="aay" access="read"/> <property name="Size" type="t" access="read"/>
  <method name="Mount">
    <arg name="options" direction="in" type="a{sv}"/><arg name="mount_path" direction="out" type="s"/>
  </method>
  <method name="Unmount"><arg name="options" direction="in" type="a{sv}"/></method>
</interface>
</node>"""
INFO = Gio.DBusNodeInfo.new_for_xml(XML)
V = GLib.Variant


def bytestring(text):
    return V("ay", text.encode() + b"\0")


def disk_letters(index):  # as the kernel names them: 0 is a, 25 z, 26 aa
    letters = ""
    while index >= 0:
        letters = chr(ord("a") + index % 26) + letters
        index = index // 26 - 1
    return letters


class Stick:
    def __init__(self, name, index, folder, label, fstype, size, flags):
        self.name, self.folder, self.flags = name, folder, flags
        self.mounted = "mounted" in flags
        self.fail = {"Mount": 0, "Unmount": 0}
        internal = "system" in flags
        disk_device = "/dev/sd" + disk_letters(index)
        self.device = disk_device + "1"
        self.drive = "%s/drives/Stick_%s" % (ROOT, name)
        self.disk = ROOT + "/block_devices/" + disk_device[5:]
        self.part = self.disk + "1"
        fat = fstype in ("vfat", "exfat")
        crc = zlib.crc32(name.encode())
        fs_uuid = "%04X-%04X" % (crc >> 16, crc & 0xFFFF) if fat else str(uuid.uuid5(uuid.NAMESPACE_DNS, name))
        by_id = "/dev/disk/by-id/usb-Generic_Flash_Disk_%s-0:0" % name
        offset = 1 << 20
        now = int(time.time() * 1e6)
        # In the order UDisks2 announces them: the drive, its whole disk, the partition.
        self.interfaces = {
            self.drive: {"org.freedesktop.UDisks2.Drive": {
                "Vendor": V("s", "Generic"), "Model": V("s", "Flash Disk"), "Revision": V("s", "8.07"),
                "Serial": V("s", name), "WWN": V("s", ""), "Id": V("s", "Generic-Flash-Disk-" + name),
                "Configuration": V("a{sv}", {}), "Media": V("s", "" if internal else "thumb"),
                "MediaCompatibility": V("as", [] if internal else ["thumb"]),
                "MediaRemovable": V("b", not internal), "MediaAvailable": V("b", True),
                "MediaChangeDetected": V("b", True), "Size": V("t", size + offset), "TimeDetected": V("t", now),
                "TimeMediaDetected": V("t", now), "Optical": V("b", False), "OpticalBlank": V("b", False),
                "OpticalNumTracks": V("u", 0), "OpticalNumAudioTracks": V("u", 0),
                "OpticalNumDataTracks": V("u", 0), "OpticalNumSessions": V("u", 0),
                "RotationRate": V("i", 0 if internal else -1), "ConnectionBus": V("s", "" if internal else "usb"),
                "Seat": V("s", "seat0"), "Removable": V("b", not internal), "Ejectable": V("b", not internal),
                "SortKey": V("s", "01hotplug/" + name), "SiblingId": V("s", ""),
                "CanPowerOff": V("b", not internal and "no-power-off" not in flags)}},
            self.disk: {
                "org.freedesktop.UDisks2.Block": self.block(disk_device, os.makedev(8, 16 * index), size + offset,
                                                            [by_id], HintPartitionable=V("b", True)),
                "org.freedesktop.UDisks2.PartitionTable": {"Partitions": V("ao", [self.part]), "Type": V("s", "dos")}},
            self.part: {
                "org.freedesktop.UDisks2.Block": self.block(
                    self.device, os.makedev(8, 16 * index + 1), size,
                    [by_id + "-part1", "/dev/disk/by-label/" + label, "/dev/disk/by-uuid/" + fs_uuid],
                    IdUsage=V("s", "filesystem"), IdType=V("s", fstype),
                    IdVersion=V("s", "FAT32" if fstype == "vfat" else "1.0"), IdLabel=V("s", label),
                    IdUUID=V("s", fs_uuid)),
                "org.freedesktop.UDisks2.Partition": {
                    "Number": V("u", 1), "Type": V("s", "0x0c" if fat else "0x83"), "Offset": V("t", offset),
                    "Size": V("t", size), "Table": V("o", self.disk), "IsContainer": V("b", False),
                    "IsContained": V("b", False)},
                "org.freedesktop.UDisks2.Filesystem": {"MountPoints": self.mount_points(),
                                                       "Size": V("t", size)}}}

    def block(self, device, number, size, links, **identity):
        internal = "system" in self.flags
        properties = {
            "Device": bytestring(device), "PreferredDevice": bytestring(device),
            "Symlinks": V("aay", [link.encode() + b"\0" for link in links]), "DeviceNumber": V("t", number),
            "Id": V("s", ""), "Size": V("t", size), "ReadOnly": V("b", "readonly" in self.flags),
            "Drive": V("o", self.drive), "MDRaid": V("o", "/"), "MDRaidMember": V("o", "/"), "IdUsage": V("s", ""),
            "IdType": V("s", ""), "IdVersion": V("s", ""), "IdLabel": V("s", ""), "IdUUID": V("s", ""),
            "Configuration": V("a(sa{sv})", []), "CryptoBackingDevice": V("o", "/"),
            "HintPartitionable": V("b", False), "HintSystem": V("b", internal),
            "HintIgnore": V("b", "ignore" in self.flags), "HintAuto": V("b", not internal), "HintName": V("s", ""),
            "HintIconName": V("s", ""), "HintSymbolicIconName": V("s", ""), "UserspaceMountOptions": V("as", [])}
        properties.update(identity)
        return properties

    def mount_points(self):
        return V("aay", [self.folder.encode() + b"\0"] if self.mounted else [])


class UDisks:
    def __init__(self, connection, log):
        self.connection, self.log_path = connection, log
        self.sticks = {}
        self.registrations = {}
        self.disks = itertools.count(1)  # sda is the machine's own
        self.manager = ROOT + "/Manager"
        self.managed = {self.manager: {"org.freedesktop.UDisks2.Manager": {
            "Version": V("s", "2.9.4"), "SupportedFilesystems": V("as", ["ext2", "ext3", "ext4", "vfat", "exfat",
                                                                          "ntfs", "xfs", "btrfs", "udf"])}}}
        self.register(ROOT, "org.freedesktop.DBus.ObjectManager")
        self.register(self.manager, "org.freedesktop.UDisks2.Manager")

    def register(self, path, interface):
        self.registrations.setdefault(path, []).append(self.connection.register_object(
            path, INFO.lookup_interface(interface), self.call, self.get_property, None))

    def log(self, method, stick, result):
        if self.log_path:
            with open(self.log_path, "a") as f:
                f.write("%s %s %s\n" % (method, stick.name, result))

    def get_property(self, connection, sender, path, interface, name):
        return self.managed[path][interface][name]

    def call(self, connection, sender, path, interface, method, parameters, invocation):
        if method == "GetManagedObjects":
            return invocation.return_value(V("(a{oa{sa{sv}}})", (self.managed,)))
        if method == "GetBlockDevices":
            blocks = [p for p, i in self.managed.items() if "org.freedesktop.UDisks2.Block" in i]
            return invocation.return_value(V("(ao)", (blocks,)))
        stick = next(s for s in self.sticks.values() if path in s.interfaces)
        try:
            error, answer = getattr(self, method.lower())(stick)
        except Exception as e:  # a fault here must not leave the client waiting for its reply
            error, answer = "Failed", "udisks2.py: %r" % e
        self.log(method, stick, error or "ok")
        if error:
            return invocation.return_dbus_error(ERROR + error, answer)
        invocation.return_value(answer)

    def mount(self, stick):
        if stick.mounted:
            return "AlreadyMounted", "Device %s is already mounted at `%s'." % (stick.device, stick.folder)
        if stick.fail["Mount"]:
            stick.fail["Mount"] -= 1
            return "Failed", "Error mounting %s at %s: can't read superblock on %s" % (stick.device, stick.folder,
                                                                                       stick.device)
        self.set_mounted(stick, True)
        return None, V("(s)", (stick.folder,))

    def unmount(self, stick):
        if not stick.mounted:
            return "NotMounted", "Device `%s' is not mounted" % stick.device
        if stick.fail["Unmount"]:
            stick.fail["Unmount"] -= 1
            return "DeviceBusy", "Error unmounting %s: target is busy" % stick.device
        self.set_mounted(stick, False)
        return None, None

    def in_use(self, stick):
        if stick.mounted:
            return "Failed", "The drive in use: Device %s is mounted" % stick.device
        return None, None

    def eject(self, stick):
        return self.in_use(stick)

    def poweroff(self, stick):
        if stick.mounted:
            return self.in_use(stick)
        if "system" in stick.flags or "no-power-off" in stick.flags:
            return "Failed", "Error powering off drive %s: not a USB device" % stick.device[:-1]
        GLib.idle_add(self.remove, stick)  # after the reply, as the kernel's remove events follow the call
        return None, None

    def set_mounted(self, stick, mounted):
        stick.mounted = mounted
        changed = {"MountPoints": stick.mount_points()}
        stick.interfaces[stick.part]["org.freedesktop.UDisks2.Filesystem"].update(changed)
        self.connection.emit_signal(None, stick.part, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                                    V("(sa{sv}as)", ("org.freedesktop.UDisks2.Filesystem", changed, [])))

    def add(self, name, folder, label, fstype, size, *flags):
        if not re.fullmatch(r"[A-Za-z0-9_]+", name) or name in self.sticks:
            raise ValueError("a new name of letters, digits and _ expected, not %r" % name)
        unknown = set(flags) - {"mounted", "readonly", "system", "ignore", "no-power-off"}
        if unknown:
            raise ValueError("unknown flags: %s" % " ".join(sorted(unknown)))
        stick = Stick(name, next(self.disks), folder, label, fstype, int(size), flags)
        self.sticks[name] = stick
        for path, interfaces in stick.interfaces.items():
            self.managed[path] = interfaces
            for interface in interfaces:
                self.register(path, interface)
            self.connection.emit_signal(None, ROOT, "org.freedesktop.DBus.ObjectManager", "InterfacesAdded",
                                        V("(oa{sa{sv}})", (path, interfaces)))

    def remove(self, stick):
        if self.sticks.pop(stick.name, None) is None:
            return
        for path in reversed(list(stick.interfaces)):
            for registration in self.registrations.pop(path):
                self.connection.unregister_object(registration)
            del self.managed[path]
            self.connection.emit_signal(None, ROOT, "org.freedesktop.DBus.ObjectManager", "InterfacesRemoved",
                                        V("(oas)", (path, list(stick.interfaces[path]))))

    def command(self, words):
        verb, args = words[0], words[1:]
        if verb == "add" and len(args) >= 5:
            return self.add(*args)
        if verb not in ("remove", "mount", "unmount", "fail-mount", "fail-unmount") or not args:
            raise ValueError("unknown command %r" % " ".join(words))
        stick = self.sticks.get(args[0])
        if stick is None:
            raise ValueError("no stick named %r" % args[0])
        if verb == "remove":
            self.remove(stick)
        elif verb in ("mount", "unmount"):
            if stick.mounted != (verb == "mount"):
                self.set_mounted(stick, verb == "mount")
        else:
            stick.fail[verb[5:].capitalize()] = int(args[1]) if len(args) > 1 else 1


def private_bus():
    libc = ctypes.CDLL(None)
    # The bus ends with this process, even when the test has to kill it.
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"], stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL,  # as root it complains of the fd limit every time
                              preexec_fn=lambda: libc.prctl(1, signal.SIGTERM))  # PR_SET_PDEATHSIG
    return daemon, daemon.stdout.readline().decode().strip()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--address", default=os.environ.get("DBUS_SYSTEM_BUS_ADDRESS", ""))
    parser.add_argument("--private-bus", action="store_true")
    parser.add_argument("--log", default="")
    args = parser.parse_args()
    daemon = None
    if args.private_bus:
        daemon, args.address = private_bus()
    if not args.address:
        sys.exit("udisks2.py: no --address and no DBUS_SYSTEM_BUS_ADDRESS; refusing the machine's system bus")

    flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
    connection = Gio.DBusConnection.new_for_address_sync(args.address, flags, None, None)
    udisks = UDisks(connection, args.log)
    owner = connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                 "RequestName", V("(su)", (BUS_NAME, 4)), None, 0, -1, None)  # DO_NOT_QUEUE
    if owner.unpack()[0] != 1:
        sys.exit("udisks2.py: %s is taken on %s" % (BUS_NAME, args.address))
    print(args.address, flush=True)

    loop = GLib.MainLoop()
    pending = [b""]

    def on_stdin(fd, condition):
        # Several lines may come at once: take them all now, as the watch fires again only for new data.
        data = os.read(fd, 65536)
        if not data:
            loop.quit()
            return False
        *lines, pending[0] = (pending[0] + data).split(b"\n")
        for line in lines:
            try:
                if line.split():
                    udisks.command(line.decode().split())
                connection.flush_sync(None)
                print("ok", flush=True)
            except (ValueError, IndexError, TypeError) as e:
                print("error %s" % e, flush=True)
        return True

    GLib.io_add_watch(sys.stdin.fileno(), GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, on_stdin)
    loop.run()
    connection.close_sync(None)
    if daemon:
        daemon.terminate()
        daemon.wait()


if __name__ == "__main__":
    main()
