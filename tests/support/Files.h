#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <ostream>

// Small file helpers for the tests.

// Bytes that do not repeat with any piece size, so a piece in the wrong place shows.
QByteArray PatternBytes(int64_t size, uint32_t seed = 1);

void WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

// The given files joined in order.
QByteArray Concatenate(const QStringList& paths);

// Sorted names of the entries of a folder (no . and ..).
QStringList FolderEntries(const QString& folder);

// Readable QStrings in test failures.
void PrintTo(const QString& s, std::ostream* os);
