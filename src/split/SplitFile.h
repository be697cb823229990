#pragma once

#include "shell/Shell.h"

#include <QString>

#include <cstdint>
#include <vector>

inline constexpr int64_t kMaxPieces = 32767;

// Pieces of pieceSize bytes for a file of length bytes: an exact multiple needs no empty piece after the last
// full one, and an empty file still gives one (empty) piece, so that the batch file has something to copy.
int64_t PieceCount(int64_t length, int64_t pieceSize);

// Cuts source into pieces of pieceSize bytes (base + "001", ... in folder; an empty or blank folder means the
// source's own folder) and writes the reassembly batch file beside them; with receiverFiles also the checksum
// list and the join script for Linux and macOS, hashed while the pieces are written. pieceDigests, when given,
// receives the SHA-256 of every piece (hex) whatever receiverFiles says. Returns the number of pieces (PieceCount).
//
// Everything that can be checked is checked before the first file is written; a failure while writing
// removes the incomplete file and throws JobError. Memory use does not depend on pieceSize.
int SplitFile(const QString& source, int64_t pieceSize, const QString& folder, bool batchRemLines, Shell& shell,
              bool receiverFiles = false, std::vector<QByteArray>* pieceDigests = nullptr);
