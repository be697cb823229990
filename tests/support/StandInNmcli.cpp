#include "support/StandInNmcli.h"

#include <QFile>

StandInNmcli::StandInNmcli() {
    ready_ = QFile::link(QStringLiteral(BREVIMO_NMCLI), dir_.filePath(QStringLiteral("nmcli")));
    path_ = std::make_unique<ScopedEnv>("PATH", dir_.path().toUtf8() + ':' + qgetenv("PATH"));
    log_ = std::make_unique<ScopedEnv>("NMCLI_LOG", dir_.filePath(QStringLiteral("calls")).toUtf8());
    for (const char* name : {"NMCLI_AVAILABLE", "NMCLI_CONNECTIONS", "NMCLI_FAIL_UP", "NMCLI_FAIL_DOWN", "NMCLI_WATCH"})
        vars_[name] = std::make_unique<ScopedEnv>(name, QByteArray());
}

void StandInNmcli::set(const char* name, const QString& value) {
    vars_[name].reset();
    vars_[name] = std::make_unique<ScopedEnv>(name, value.toUtf8());
}

QStringList StandInNmcli::calls() const {
    QFile f(dir_.filePath(QStringLiteral("calls")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}
