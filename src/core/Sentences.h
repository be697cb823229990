#pragma once

#include "core/StringTable.h"

#include <QString>

#include <cstdint>

// Texts that the string table holds in fragments, put together: each function returns one whole sentence.

// The text with the drive "A:\" it names shown as the folder the disks are mounted on.
QString DriveText(Res::Id id, const QString& drive);
// "Please insert disk 2 of 3 into drive /media/floppy"
QString InsertDiskText(int disk, int diskCount, const QString& drive);
// "Copy: 'report.001' to /media/floppy" while a file is copied onto a disk, "Copied: ..." after it.
QString CopyingText(const QString& name, const QString& drive);
QString CopiedText(const QString& name, const QString& drive);

// "Writing: report.001"
QString WritingText(const QString& pieceName);
// "There were 3 splitfiles created."
QString PiecesCreatedText(int64_t count);

// "Holiday photos 2 of 3": the subject of message i of a series of n.
QString NumberedSubject(const QString& subject, int i, int n);
// "Send message: 'report.zip 2 of 3'", or "Send message: 'Subject'" for a message without a piece (n == 0).
QString SendingMessageText(const QString& name, int i, int n, const QString& subject);
// "Splitmail of <report.zip>": the subject an archive suggests.
QString DefaultSubject(const QString& archiveName);

// The phonebook file that is not there, and where to set another.
QString NoPhoneBookText(const QString& path);

// "Created using Brevimo Version 1.00.000"
QString CreatedWithVersionText();
// The usage text with every option.
QString UsageText();
