#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// The reassembly batch file that joins the pieces back into the source with "copy/b".

// Throws JobError when the name holds a character that cmd would read as syntax (a double quote, a control
// character, one of < > | ? * \ :); such a name could not be written into the file safely.
void CheckBatchSafeName(const QString& fileName);

// The whole file, lines ended by CR LF. remLines: the two "rem" lines that ask the receiver to rename a
// batch file sent as .txt. Names outside ASCII make the file UTF-8 with a code-page switch.
QByteArray BatchFileText(const QString& fileName, const QString& base, int64_t pieceCount, bool remLines);
