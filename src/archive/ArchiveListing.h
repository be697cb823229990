#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// One entry as the listing reports it: the full name and the exact sizes.
struct ZipEntry {
    QString name;
    int64_t uncompressed = 0;
    int64_t compressed = 0;
};

using ZipEntryCallback = std::function<void(const ZipEntry&)>;

// Lists the archive at path, calling onEntry once per entry in the archive's order. Returns libzip's error code,
// 0 on success, with the reason (which names the file) in reason; the entries reported before a failure stay
// reported.
int ListArchive(const QString& path, const ZipEntryCallback& onEntry, QString* reason = nullptr);

// The code of a file that is no ZIP archive at all (libzip's ZIP_ER_NOZIP), which any file to split may be.
extern const int kNotAZipArchive;

// A size total as the info line shows it: up to 1024 bytes the whole number, above that kB with three
// decimals, both grouped.
QString ZipSizeText(int64_t bytes);

// The info line: total compressed " / " total uncompressed.
QString ZipInfoText(int64_t compressed, int64_t uncompressed);
