#include "archive/ArchiveEditor.h"

#include "archive/ZipHandles.h"
#include "core/JobError.h"
#include "core/PathNames.h"
#include "core/StringTable.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What Debian's zip leaves when the last entry goes: the end record of an archive without entries.
const QByteArray kEmptyArchive = QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');

using File = std::unique_ptr<FILE, decltype(&std::fclose)>;

// Opens a file to add; only an ordinary file, opened without waiting (a named pipe would block for ever, a
// device never end). An archive that takes some files of an Add and not others is not written.
File openToAdd(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw ComponentError(ZIP_ER_OPEN, QStringLiteral("%1: %2").arg(path, SystemReason(errno)));
    File file(::fdopen(fd, "rb"), &std::fclose);
    struct stat st {};
    if (!file) {
        ::close(fd);
        throw ComponentError(ZIP_ER_OPEN, QStringLiteral("%1: %2").arg(path, SystemReason(errno)));
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw ComponentError(
            ZIP_ER_OPEN, QStringLiteral("%1: %2").arg(path, Text(Res::NotAnOrdinaryFile).arg(KindOfFile(st.st_mode))));
    return file;
}

void closeArchive(ZipArchive& za, const QString& path) {
    if (zip_close(za.get()) < 0)
        throw ArchiveError(za.get(), path);
    (void)za.release(); // zip_close freed it
}

void addFiles(const ZipRequest& r) {
    std::vector<File> files;
    for (const QString& name : r.names)
        files.push_back(openToAdd(name));

    ZipArchive za = OpenArchive(r.archive, ZIP_CREATE);
    for (qsizetype i = 0; i < r.names.size(); ++i) {
        const QString& name = r.names[i];
        ZipErrorHolder error;
        ZipSource source(zip_source_filep_create(files[static_cast<size_t>(i)].get(), 0, -1, error.get()));
        if (!source)
            throw ZipErrorOf(error.get(), name);
        (void)files[static_cast<size_t>(i)].release(); // the source closes it
        const QByteArray entry = ExtractFileName(name).toUtf8();
        const zip_int64_t index =
            zip_file_add(za.get(), entry.constData(), source.get(), ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0)
            throw ArchiveError(za.get(), r.archive);
        (void)source.release(); // the archive owns it now
        const int level = r.level - '0';
        const zip_int32_t method = level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
        if (zip_set_file_compression(za.get(), static_cast<zip_uint64_t>(index), method,
                                     static_cast<zip_uint32_t>(level)) < 0)
            throw ArchiveError(za.get(), r.archive);
    }
    closeArchive(za, r.archive);
}

void removeEntries(const ZipRequest& r) {
    ZipArchive za = OpenArchive(r.archive, 0);
    std::set<zip_int64_t> gone;
    for (const QString& name : r.names) {
        const zip_int64_t index = zip_name_locate(za.get(), name.toUtf8().constData(), 0);
        if (index < 0)
            throw ComponentError(ZIP_ER_NOENT, QStringLiteral("%1: %2 is not in the archive").arg(r.archive, name));
        if (zip_delete(za.get(), static_cast<zip_uint64_t>(index)) < 0)
            throw ArchiveError(za.get(), r.archive);
        gone.insert(index);
    }
    const bool emptied = static_cast<zip_int64_t>(gone.size()) == zip_get_num_entries(za.get(), 0);
    closeArchive(za, r.archive);
    if (emptied && !QFileInfo::exists(r.archive)) {
        // libzip removes an archive without entries; the name should still name an archive.
        QSaveFile file(r.archive);
        if (!file.open(QIODevice::WriteOnly) || file.write(kEmptyArchive) != kEmptyArchive.size() || !file.commit())
            throw ComponentError(ZIP_ER_WRITE, QStringLiteral("%1: %2").arg(r.archive, file.errorString()));
    }
}

} // namespace

ZipRequest AddRequest(const QString& archive) {
    ZipRequest r;
    r.archive = archive;
    r.grow = true;
    return r;
}

ZipRequest RemoveRequest(const QString& archive) {
    ZipRequest r;
    r.archive = archive;
    r.deleteEntries = true;
    return r;
}

int ZipRun(ZipRequest& request) {
    request.errorText.clear();
    try {
        if (!request.junkDirs || request.recurse || request.update || request.freshen || request.encrypt ||
            request.comment || request.grow == request.deleteEntries || request.level < '0' || request.level > '9')
            throw ComponentError(
                ZIP_ER_OPNOTSUPP,
                QStringLiteral("%1: this kind of archive change is not supported").arg(request.archive));
        if (request.names.isEmpty())
            return ZIP_ER_OK;
        if (request.deleteEntries)
            removeEntries(request);
        else
            addFiles(request);
        return ZIP_ER_OK;
    } catch (const ComponentError& e) {
        // The caller learns the code; the text is kept for the message it shows.
        request.errorText = e.description();
        return e.number();
    }
}

bool FileExists(const QString& path) {
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
}
