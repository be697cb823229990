#include "archive/ZipHandles.h"

#include <QFile>

namespace {

QString describe(zip_error_t* error, const QString& path) {
    return QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(zip_error_strerror(error)));
}

} // namespace

ComponentError ZipErrorOf(int code, const QString& path) {
    std::unique_ptr<zip_error_t, ZipErrorFini> error(new zip_error_t);
    zip_error_init_with_code(error.get(), code);
    return ComponentError(code, describe(error.get(), path));
}

ComponentError ArchiveError(zip_t* za, const QString& path) {
    zip_error_t* error = zip_get_error(za);
    return ComponentError(zip_error_code_zip(error), describe(error, path));
}

ZipArchive OpenArchive(const QString& path, int flags) {
    int code = ZIP_ER_OK;
    ZipArchive za(zip_open(QFile::encodeName(path).constData(), flags, &code));
    if (!za)
        throw ZipErrorOf(code, path);
    return za;
}
