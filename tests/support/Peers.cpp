#include "support/Peers.h"

#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <sched.h>
#include <sys/mount.h>
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
