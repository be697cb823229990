#include "job/PrivateFolder.h"

#include "core/JobError.h"
#include "core/StringTable.h"

#include <QDir>
#include <QTemporaryDir>

QString PrivateTempFolder() {
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/brevimo-XXXXXX"));
    if (!dir.isValid())
        throw JobError(Text(Res::CannotWrite).arg(QDir::tempPath(), dir.errorString()));
    dir.setAutoRemove(false);
    return dir.path();
}
