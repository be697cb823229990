#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the files beside a set of pieces say about it, read strictly: they may come from anyone, so nothing in them
// is run, and a line that does not have the exact form this program writes is refused with the line.

// The set a checksum list or a batch file names: the file it rebuilds and its pieces in joining order.
struct ListedSet {
    QString fileName;
    QStringList pieces;
    std::vector<QByteArray> digests; // hex, one a piece; none from a batch file
    QByteArray wholeDigest;          // empty from a batch file
};

// A list in sha256sum's format: a line for each piece, 1 to N in order, then one for the file they rebuild.
// path: for messages. Throws JobError naming the line.
ListedSet ReadChecksumList(const QString& path, const QByteArray& text);

// The copy/b lines of a batch file, in its order; nothing when the file has none (it is not a batch file of a set).
// Throws JobError naming the line that is not a copy line as this program writes it.
std::optional<ListedSet> ReadBatchCopies(const QString& path, const QByteArray& text);

// Throws JobError (reason only, no line) when a name from a list cannot be the name of a file of the set in the
// folder: one that leaves it (a separator, "..", a drive letter), names a device, or holds a control character.
void CheckPlainName(const QString& name);
