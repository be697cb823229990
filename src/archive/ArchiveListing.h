#pragma once

#include "shell/Shell.h"

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

// Lists the archive at path, calling onEntry once per entry in the archive's order. A failure is told in the
// box "Zip-Error <code>" with the reason; the entries reported before it stay reported. Returns libzip's error
// code, 0 on success.
int ListArchive(const QString& path, Shell& shell, const ZipEntryCallback& onEntry);

// A size total as the info line shows it: up to 1024 bytes the whole number, above that kB with three
// decimals, both grouped.
QString ZipSizeText(int64_t bytes);

// The info line: total compressed " / " total uncompressed.
QString ZipInfoText(int64_t compressed, int64_t uncompressed);
