#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Whether the names of the files a set is made of work for everyone who writes or rebuilds them: this program,
// cmd on Windows, and sh on Linux and macOS.

// File names on Linux and macOS have at most this many bytes; on Windows this many UTF-16 characters, which a
// name of so many bytes never exceeds.
inline constexpr int kNameMax = 255;

// Throws JobError when the name holds a character that cmd would read as syntax (a double quote, a control
// character, one of < > | ? * \ :); such a name could not be written into the batch file safely.
void CheckBatchSafeName(const QString& fileName);

// Throws JobError when the receiver could not rebuild the file from pieceCount pieces: a device name (CON, NUL,
// COM1, ...) before the first dot, a dot or blank at the end, the name of one of the set's own files (its batch
// file, a piece, with receiverFiles the checksum list or join script), which the join would overwrite, or a file
// of the set whose name would have more than kNameMax bytes.
void CheckReceiverName(const QString& fileName, int64_t pieceCount, bool receiverFiles = false);

// The files of a set that have the longest names: the file itself, the last piece, the batch file, and with
// receiverFiles the checksum list and the join script.
QStringList LongestSetNames(const QString& fileName, int64_t pieceCount, bool receiverFiles);
