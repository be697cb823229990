#include "core/Version.h"

QString VersionText() {
    return QStringLiteral("%1.%2.%3")
        .arg(BREVIMO_VERSION_MAJOR)
        .arg(BREVIMO_VERSION_MINOR, 2, 10, QLatin1Char('0'))
        .arg(BREVIMO_VERSION_PATCH, 3, 10, QLatin1Char('0'));
}
