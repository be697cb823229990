#include "archive/ArchiveListing.h"

#include "archive/ZipHandles.h"
#include "core/LocaleNumbers.h"

namespace {

constexpr zip_uint64_t kNeeded = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE;

void list(const QString& path, const ZipEntryCallback& onEntry) {
    ZipArchive za = OpenArchive(path, ZIP_RDONLY);
    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za.get(), static_cast<zip_uint64_t>(i), 0, &st) < 0)
            throw ArchiveError(za.get(), path);
        if ((st.valid & kNeeded) != kNeeded)
            throw ZipErrorOf(ZIP_ER_INCONS, path);
        onEntry({QString::fromUtf8(st.name), static_cast<int64_t>(st.size), static_cast<int64_t>(st.comp_size)});
    }
}

} // namespace

const int kNotAZipArchive = ZIP_ER_NOZIP;

int ListArchive(const QString& path, const ZipEntryCallback& onEntry, QString* reason) {
    try {
        list(path, onEntry);
        return ZIP_ER_OK;
    } catch (const ComponentError& e) {
        if (reason)
            *reason = e.description();
        return e.number();
    }
}

QString ZipSizeText(int64_t bytes) {
    if (bytes > 1024)
        return GroupedNumber(static_cast<double>(bytes) / 1024.0, 3) + QStringLiteral(" kB");
    return GroupedNumber(bytes);
}

QString ZipInfoText(int64_t compressed, int64_t uncompressed) {
    return ZipSizeText(compressed) + QStringLiteral(" / ") + ZipSizeText(uncompressed);
}
