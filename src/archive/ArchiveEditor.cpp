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

// Deflate's best, as zip -9.
constexpr zip_uint32_t kLevel = 9;

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

void addFiles(const QString& archive, const QStringList& names) {
    std::vector<File> files;
    for (const QString& name : names)
        files.push_back(openToAdd(name));

    ZipArchive za = OpenArchive(archive, ZIP_CREATE);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        ZipErrorHolder error;
        ZipSource source(zip_source_filep_create(files[static_cast<size_t>(i)].get(), 0, -1, error.get()));
        if (!source)
            throw ZipErrorOf(error.get(), name);
        (void)files[static_cast<size_t>(i)].release(); // the source closes it
        const QByteArray entry = ExtractFileName(name).toUtf8();
        const zip_int64_t index =
            zip_file_add(za.get(), entry.constData(), source.get(), ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0)
            throw ArchiveError(za.get(), archive);
        (void)source.release(); // the archive owns it now
        if (zip_set_file_compression(za.get(), static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, kLevel) < 0)
            throw ArchiveError(za.get(), archive);
    }
    closeArchive(za, archive);
}

void removeEntries(const QString& archive, const QStringList& names) {
    ZipArchive za = OpenArchive(archive, 0);
    std::set<zip_int64_t> gone;
    for (const QString& name : names) {
        const zip_int64_t index = zip_name_locate(za.get(), name.toUtf8().constData(), 0);
        if (index < 0)
            throw ComponentError(ZIP_ER_NOENT, QStringLiteral("%1: %2 is not in the archive").arg(archive, name));
        if (zip_delete(za.get(), static_cast<zip_uint64_t>(index)) < 0)
            throw ArchiveError(za.get(), archive);
        gone.insert(index);
    }
    const bool emptied = static_cast<zip_int64_t>(gone.size()) == zip_get_num_entries(za.get(), 0);
    closeArchive(za, archive);
    if (emptied && !QFileInfo::exists(archive)) {
        // libzip removes an archive without entries; the name should still name an archive.
        QSaveFile file(archive);
        if (!file.open(QIODevice::WriteOnly) || file.write(kEmptyArchive) != kEmptyArchive.size() || !file.commit())
            throw ComponentError(ZIP_ER_WRITE, QStringLiteral("%1: %2").arg(archive, file.errorString()));
    }
}

} // namespace

int ArchiveEditor::run(const QStringList& names, void (*change)(const QString& archive, const QStringList& names)) {
    errorText_.clear();
    if (names.isEmpty())
        return ZIP_ER_OK;
    try {
        change(archive_, names);
        return ZIP_ER_OK;
    } catch (const ComponentError& e) {
        // The caller learns the code; the text is kept for the message it shows.
        errorText_ = e.description();
        return e.number();
    }
}

int ArchiveEditor::add(const QStringList& files) {
    return run(files, addFiles);
}

int ArchiveEditor::remove(const QStringList& names) {
    return run(names, removeEntries);
}

bool FileExists(const QString& path) {
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
}
