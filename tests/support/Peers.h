#pragma once

#include "support/Files.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <memory>

// aiosmtpd on a free port of 127.0.0.1 (options: see smtp_server.py); it stores what it receives in a folder.
class SmtpServer {
public:
    explicit SmtpServer(const QStringList& options = {});
    ~SmtpServer();
    bool running() const { return port_ > 0; }
    QString host() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QString folder() const { return dir_.path(); }
    QStringList logins() const; // the AUTH attempts, one "user password tls|plain" a line
    int messageCount() const;
    int connections() const;
    QByteArray message(int n) const;   // the n-th message as received, from 1
    QStringList envelope(int n) const; // sender, then the recipients
    QStringList greetings() const;     // the names the client gave in EHLO
    // How each connection ended, "quit" or "dropped", once all that greeted have ended (waits up to 10 s).
    QStringList ends() const;
    QByteArray late() const; // sent after the hung message

private:
    QTemporaryDir dir_;
    QProcess process_;
    int port_ = 0;
};

// A D-Bus session bus of the test's own with GNOME Keyring's Secret Service on it, or, withKeyring false, a desktop
// without a keyring. DBUS_SESSION_BUS_ADDRESS names the bus for the object's lifetime (a process keeps the first bus
// its keyring calls met: one per test).
class SecretService {
public:
    explicit SecretService(bool withKeyring = true);
    ~SecretService();
    SecretService(const SecretService&) = delete;
    SecretService& operator=(const SecretService&) = delete;
    bool running() const { return whyNot_.isEmpty(); }
    const QString& whyNot() const { return whyNot_; }

private:
    bool startKeyring();
    void stopKeyring();

    QTemporaryDir dir_, runtimeDir_{QStringLiteral("/tmp/brevimo-run-XXXXXX")};
    QProcess bus_, keyring_;
    std::unique_ptr<ScopedEnv> address_, runtime_;
    QString whyNot_;
};

// The stand-in nmcli first on PATH for the object's lifetime; its calls are read back with calls().
class StandInNmcli {
public:
    StandInNmcli();
    bool ready() const { return ready_; }
    // NMCLI_AVAILABLE, NMCLI_CONNECTIONS, NMCLI_ACTIVE, NMCLI_FAIL_UP, NMCLI_FAIL_DOWN, NMCLI_WATCH (see the script).
    void set(const char* name, const QString& value);
    QStringList calls() const;

private:
    QTemporaryDir dir_;
    bool ready_ = false;
    std::unique_ptr<ScopedEnv> path_, log_;
    std::map<QByteArray, std::unique_ptr<ScopedEnv>> vars_;
};

// The UDisks2 stand-in (udisks2.py) on a private bus, which DBUS_SYSTEM_BUS_ADDRESS names for the object's
// lifetime; its sticks are folders the test gives.
class StandInUDisks {
public:
    StandInUDisks();
    ~StandInUDisks();
    StandInUDisks(const StandInUDisks&) = delete;
    StandInUDisks& operator=(const StandInUDisks&) = delete;
    bool running() const { return bus_ != nullptr; }
    // One line of its script, as "add S1 /folder LABEL vfat 1048576": true once it answered "ok".
    bool command(const QString& line);
    // The calls the program made, "Mount S1 ok" a line.
    QStringList calls() const;

private:
    QTemporaryDir dir_;
    QProcess process_;
    std::unique_ptr<ScopedEnv> bus_;
};

// The GNOME Online Accounts stand-in (goa.py) on the session bus that DBUS_SESSION_BUS_ADDRESS names now, with the
// given options (--account SPEC, --expires-in, --tokens FILE; see the script).
class StandInGoa {
public:
    explicit StandInGoa(const QStringList& options);
    ~StandInGoa();
    StandInGoa(const StandInGoa&) = delete;
    StandInGoa& operator=(const StandInGoa&) = delete;
    bool running() const { return running_; }

private:
    QProcess process_;
    bool running_ = false;
};

// A small tmpfs mounted on a folder in a mount namespace of the test process's own: a full, read-only or removable
// disk. Needs root; whyNot() says why it is not available, for a GTEST_SKIP.
class TmpfsMount {
public:
    TmpfsMount(const QString& mountPoint, int64_t bytes, bool readOnly = false);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    bool available() const { return mounted_; }
    // Makes the disk read-only with what it holds, as a write-protected one.
    bool remountReadOnly();
    const QString& whyNot() const { return whyNot_; }

private:
    QString mountPoint_, whyNot_;
    bool mounted_ = false;
};
