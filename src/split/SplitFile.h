#pragma once

#include "shell/Shell.h"

#include <QString>

#include <cstdint>
#include <vector>

inline constexpr int64_t kMaxPieces = 32767;

// Cuts source into pieces of pieceSize bytes (base + "001", ... in folder; an empty or blank folder means the
// source's own folder) and writes the reassembly batch file beside them; with receiverFiles also the checksum
// list and the join script for Linux and macOS, hashed while the pieces are written. pieceDigests, when given,
// receives the SHA-256 of every piece (hex) whatever receiverFiles says. Returns the number of pieces; an exact
// multiple of pieceSize ends with an empty piece.
//
// Everything that can be checked is checked before the first file is written; a failure while writing
// removes the incomplete file and throws JobError. Memory use does not depend on pieceSize.
int SplitFile(const QString& source, int64_t pieceSize, const QString& folder, bool batchRemLines, Shell& shell,
              bool receiverFiles = false, std::vector<QByteArray>* pieceDigests = nullptr);
