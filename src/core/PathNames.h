#pragma once

#include <QString>

#include <cstdint>

// Names derived from a source path; shared by the splitter, the floppy writer and the mail sender.

// The native separator of paths on this platform.
QChar PathSeparator();

// "" for "", else the text after the last separator (the whole path when it has none).
QString ExtractFileName(const QString& path);

// "" for "", else the text up to and including the last separator ("" when it has none).
QString GetPath(const QString& path);

// The file name up to and including its first "." ("" when it has none): report.zip -> "report.".
QString PieceBase(const QString& sourcePath);

// base + number formatted "000": report.001, report.1000.
QString PieceName(const QString& base, int64_t number);

// base + "bat".
QString BatchName(const QString& base);

// base + "sha256" and base + "sh": the checksum list and the join script for Linux and macOS.
QString ChecksumListName(const QString& base);
QString JoinScriptName(const QString& base);
// The sentence for the body of the last mail and for Read_Me.txt that says what the two are for; "" for "".
QString ReceiverFilesNote(const QString& base);

// folder + separator + name; an empty folder gives the name alone, relative to the current folder.
QString JoinPath(const QString& folder, const QString& name);
