#include "archive/ZipHandles.h"

#include <QFile>

ComponentError ZipErrorOf(zip_error_t* error, const QString& path) {
    return ComponentError(zip_error_code_zip(error),
                          QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(zip_error_strerror(error))));
}

ComponentError ZipErrorOf(int code, const QString& path) {
    ZipErrorHolder error(code);
    return ZipErrorOf(error.get(), path);
}

ComponentError ArchiveError(zip_t* za, const QString& path) {
    return ZipErrorOf(zip_get_error(za), path);
}

ZipArchive OpenArchive(const QString& path, int flags) {
    int code = ZIP_ER_OK;
    ZipArchive za(zip_open(QFile::encodeName(path).constData(), flags, &code));
    if (!za)
        throw ZipErrorOf(code, path);
    return za;
}
