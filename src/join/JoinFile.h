#pragma once

#include "join/PieceSet.h"
#include "shell/Shell.h"

#include <QString>

#include <cstdint>
#include <optional>

// Joins a set into folder/fileName: every piece is read once, hashed beside the copy when the set has a checksum
// list, into a hidden file in the folder that gets its name only after each piece and the whole file matched the
// list. A file of that name is replaced only when the user says Yes. A signal, Cancel or any failure leaves nothing
// behind. Throws JobError naming what is missing, damaged or failed; returns the path of the file.
QString JoinSet(const PieceSet& set, const QString& folder, const QString& fileName, Shell& shell);

// Throws JobError when the set cannot be joined as it is: a missing piece, pieces that cannot be of one split.
void CheckSetWhole(const PieceSet& set);

// The bytes the user may still write in folder (empty: the current folder), as the join checks them before it
// writes; nothing when the folder cannot be asked.
std::optional<int64_t> FreeBytes(const QString& folder);
