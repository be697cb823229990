#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The two files a receiver without a batch interpreter rebuilds and checks the file with: the checksum list in
// sha256sum's format (every piece, then the file itself), and a POSIX sh script that checks the pieces against
// it, joins them in numeric order under a temporary name, checks the result and only then names it.

QByteArray ChecksumList(const QString& fileName, const QString& base, const std::vector<QByteArray>& pieces,
                        const QByteArray& whole);

QByteArray JoinScript(const QString& fileName, const QString& base, int64_t pieceCount);

// Whether a file that starts with head is one of the two as this program writes them, so that it may be
// replaced or removed.
bool IsOwnReceiverFile(const QByteArray& head);
