#include "support/Peers.h"

#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <unistd.h>

// A file the server writes only once there is something to say.
static QByteArray readIfThere(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

SmtpServer::SmtpServer(const QStringList& options) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Debian's python, which has aiosmtpd, whatever else is first on PATH.
    process_.start(QStringLiteral("/usr/bin/python3"),
                   QStringList{QStringLiteral(BREVIMO_SMTP_SERVER), dir_.path()} + options);
    while (port_ == 0 && process_.waitForReadyRead(10000))
        if (process_.canReadLine())
            port_ = process_.readLine().trimmed().toInt();
}

SmtpServer::~SmtpServer() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

int SmtpServer::messageCount() const {
    return static_cast<int>(QDir(dir_.path()).entryList({QStringLiteral("*.eml")}, QDir::Files).size());
}

int SmtpServer::connections() const {
    return ReadFile(dir_.filePath(QStringLiteral("connections"))).toInt();
}

QByteArray SmtpServer::message(int n) const {
    return ReadFile(dir_.filePath(QStringLiteral("%1.eml").arg(n)));
}

QStringList SmtpServer::envelope(int n) const {
    return QString::fromUtf8(ReadFile(dir_.filePath(QStringLiteral("%1.env").arg(n)))).split(u'\n', Qt::SkipEmptyParts);
}

QStringList SmtpServer::logins() const {
    return QString::fromUtf8(readIfThere(dir_.filePath(QStringLiteral("auth")))).split(u'\n', Qt::SkipEmptyParts);
}

QStringList SmtpServer::greetings() const {
    return QString::fromUtf8(readIfThere(dir_.filePath(QStringLiteral("ehlo")))).split(u'\n', Qt::SkipEmptyParts);
}

QStringList SmtpServer::ends() const {
    QStringList ends;
    for (int tries = 0; tries < 100; ++tries) {
        ends = QString::fromUtf8(readIfThere(dir_.filePath(QStringLiteral("ends")))).split(u'\n', Qt::SkipEmptyParts);
        if (ends.size() >= connections())
            break;
        QThread::msleep(100);
    }
    return ends;
}

QByteArray SmtpServer::late() const {
    return readIfThere(dir_.filePath(QStringLiteral("late")));
}

// A test that crashes takes its bus and keyring with it.
static void endWithParent() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
}

SecretService::SecretService(bool withKeyring) {
    bus_.setChildProcessModifier(endWithParent);
    keyring_.setChildProcessModifier(endWithParent);
    bus_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A bus that starts no service by itself: the keyring is there only when the test starts it.
    const QString config = dir_.filePath(QStringLiteral("bus.conf"));
    WriteFile(config, "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                      " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                      "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>\n"
                      "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                      "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    bus_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                                               QStringLiteral("--print-address=1")});
    QByteArray address;
    while (address.isEmpty() && bus_.waitForReadyRead(10000))
        if (bus_.canReadLine())
            address = bus_.readLine().trimmed();
    if (address.isEmpty()) {
        whyNot_ = QStringLiteral("dbus-daemon did not start: ") + bus_.errorString();
        return;
    }
    address_ = std::make_unique<ScopedEnv>("DBUS_SESSION_BUS_ADDRESS", address);
    // Short: the keyring's sockets go in it, and a socket's path has room for 107 bytes.
    QFile::setPermissions(runtimeDir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    runtime_ = std::make_unique<ScopedEnv>("XDG_RUNTIME_DIR", runtimeDir_.path().toUtf8());
    if (withKeyring && !startKeyring())
        whyNot_ = QStringLiteral("gnome-keyring-daemon did not come onto the bus");
}

bool SecretService::startKeyring() {
    keyring_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    keyring_.start(QStringLiteral("gnome-keyring-daemon"), {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                                                            QStringLiteral("--components=secrets")});
    // The password that unlocks the login keyring, which the first start makes.
    if (!keyring_.waitForStarted(10000))
        return false;
    keyring_.write("test\n");
    keyring_.waitForBytesWritten(5000); // no event loop runs here to write it later
    keyring_.closeWriteChannel();
    for (int tries = 0; tries < 100; ++tries) {
        QProcess ask;
        ask.start(QStringLiteral("dbus-send"),
                  {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                   QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                   QStringLiteral("org.freedesktop.DBus.NameHasOwner"),
                   QStringLiteral("string:org.freedesktop.secrets")});
        ask.waitForFinished(5000);
        if (ask.readAllStandardOutput().contains("boolean true"))
            return true;
        QThread::msleep(100);
    }
    return false;
}

void SecretService::stopKeyring() {
    if (keyring_.state() == QProcess::NotRunning)
        return;
    keyring_.terminate();
    if (!keyring_.waitForFinished(5000)) {
        keyring_.kill();
        keyring_.waitForFinished(5000);
    }
}

SecretService::~SecretService() {
    stopKeyring();
    bus_.terminate();
    if (!bus_.waitForFinished(5000)) {
        bus_.kill();
        bus_.waitForFinished(5000);
    }
}

StandInNmcli::StandInNmcli() {
    ready_ = QFile::link(QStringLiteral(BREVIMO_NMCLI), dir_.filePath(QStringLiteral("nmcli")));
    path_ = std::make_unique<ScopedEnv>("PATH", dir_.path().toUtf8() + ':' + qgetenv("PATH"));
    log_ = std::make_unique<ScopedEnv>("NMCLI_LOG", dir_.filePath(QStringLiteral("calls")).toUtf8());
    for (const char* name :
         {"NMCLI_AVAILABLE", "NMCLI_CONNECTIONS", "NMCLI_ACTIVE", "NMCLI_FAIL_UP", "NMCLI_FAIL_DOWN", "NMCLI_WATCH"})
        vars_[name] = std::make_unique<ScopedEnv>(name, QByteArray());
}

void StandInNmcli::set(const char* name, const QString& value) {
    vars_[name].reset();
    vars_[name] = std::make_unique<ScopedEnv>(name, value.toUtf8());
}

QStringList StandInNmcli::calls() const {
    QFile f(dir_.filePath(QStringLiteral("calls")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                       : QStringList();
}

StandInUDisks::StandInUDisks() {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral(BREVIMO_UDISKS2), QStringLiteral("--private-bus"), QStringLiteral("--log"),
                    dir_.filePath(QStringLiteral("calls"))});
    while (!process_.canReadLine() && process_.waitForReadyRead(10000))
        ;
    if (process_.canReadLine())
        bus_ = std::make_unique<ScopedEnv>("DBUS_SYSTEM_BUS_ADDRESS", process_.readLine().trimmed());
}

StandInUDisks::~StandInUDisks() {
    bus_.reset();
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool StandInUDisks::command(const QString& line) {
    process_.write(line.toUtf8() + '\n');
    while (!process_.canReadLine())
        if (!process_.waitForReadyRead(10000))
            return false;
    return process_.readLine().trimmed() == "ok";
}

QStringList StandInUDisks::calls() const {
    return QString::fromUtf8(readIfThere(dir_.filePath(QStringLiteral("calls")))).split(u'\n', Qt::SkipEmptyParts);
}

StandInGoa::StandInGoa(const QStringList& options) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("/usr/bin/python3"), QStringList{QStringLiteral(BREVIMO_GOA)} + options);
    while (!process_.canReadLine() && process_.waitForReadyRead(10000))
        ;
    running_ = process_.canReadLine() && !process_.readLine().trimmed().isEmpty();
}

StandInGoa::~StandInGoa() {
    process_.closeWriteChannel();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

// Once per process: a mount namespace of our own, so that nothing mounted here is seen outside.
static QString enterPrivateNamespace() {
    static const QString error = []() -> QString {
        if (geteuid() != 0)
            return QStringLiteral("mounting a tmpfs needs root");
        if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return QStringLiteral("a private mount namespace: ") + QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }();
    return error;
}

TmpfsMount::TmpfsMount(const QString& mountPoint, int64_t bytes, bool readOnly)
    : mountPoint_(mountPoint), whyNot_(enterPrivateNamespace()) {
    const QByteArray options = "size=" + QByteArray::number(static_cast<qlonglong>(bytes)) + ",mode=0755";
    mounted_ = whyNot_.isEmpty() && mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs",
                                          readOnly ? MS_RDONLY : 0, options.constData()) == 0;
    if (!mounted_ && whyNot_.isEmpty())
        whyNot_ = QStringLiteral("mount tmpfs: ") + QString::fromLocal8Bit(std::strerror(errno));
}

bool TmpfsMount::remountReadOnly() {
    return mounted_ &&
           mount("tmpfs", QFile::encodeName(mountPoint_).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

TmpfsMount::~TmpfsMount() {
    if (mounted_)
        umount2(QFile::encodeName(mountPoint_).constData(), MNT_DETACH);
}
