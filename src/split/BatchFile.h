#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The reassembly batch file that joins the pieces back into the source with "copy/b".

// Throws JobError when the name holds a character that cmd would read as syntax (a double quote, a control
// character, one of < > | ? * \ :); such a name could not be written into the file safely.
void CheckBatchSafeName(const QString& fileName);

// Throws JobError when the receiver's Windows could not rebuild the file from pieceCount pieces: a device name
// (CON, NUL, COM1, ...) before the first dot, a dot or blank at the end, a piece name longer than 255
// characters, or a file named like its own batch file, which would overwrite the batch file while it runs.
void CheckReceiverName(const QString& fileName, int64_t pieceCount);

// The whole file, lines ended by CR LF. remLines: the two "rem" lines that ask the receiver to rename a
// batch file sent as .txt. A name outside ASCII is written in code page 850, cmd's own, when it fits there,
// else in UTF-8 with a code-page switch.
QByteArray BatchFileText(const QString& fileName, const QString& base, int64_t pieceCount, bool remLines);

// What a batch file of this program rebuilds: the file name and the number of pieces it joins. Nothing for
// a file that is not such a batch file.
struct BatchSet {
    QString fileName;
    int64_t pieceCount = 0;
};
std::optional<BatchSet> ReadBatchFile(const QByteArray& text);
