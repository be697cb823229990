#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The reassembly batch file that joins the pieces back into the source with "copy/b".

// The whole file, lines ended by CR LF. remLines: the two "rem" lines that ask the receiver to rename a
// batch file sent as .txt. A name outside ASCII is written in code page 850 when it fits there, else in UTF-8;
// the file switches the console to its code page and puts the user's back at the end. It says "All Done." only
// when every piece was there and every copy succeeded; else it names the piece and ends with status 1.
QByteArray BatchFileText(const QString& fileName, const QString& base, int64_t pieceCount, bool remLines);

// What a batch file of this program rebuilds: the file name and the number of pieces it joins. Nothing for
// a file that is not such a batch file.
struct BatchSet {
    QString fileName;
    int64_t pieceCount = 0;
};
std::optional<BatchSet> ReadBatchFile(const QByteArray& text);

// The text of a batch file as cmd reads it: UTF-8 when it switches to code page 65001, else code page 850.
QString DecodeBatchFile(const QByteArray& text);
