#pragma once

#include "support/Tls.h"

#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <memory>

// The stand-in nmcli first on PATH for the object's lifetime; its calls are read back with calls().
class StandInNmcli {
public:
    StandInNmcli();
    bool ready() const { return ready_; }
    // NMCLI_AVAILABLE, NMCLI_CONNECTIONS, NMCLI_FAIL_UP, NMCLI_FAIL_DOWN, NMCLI_WATCH (see the script).
    void set(const char* name, const QString& value);
    QStringList calls() const;

private:
    QTemporaryDir dir_;
    bool ready_ = false;
    std::unique_ptr<ScopedEnv> path_;
    std::unique_ptr<ScopedEnv> log_;
    std::map<QByteArray, std::unique_ptr<ScopedEnv>> vars_;
};
