#pragma once

#include "core/SplitJob.h"

#include <QString>

#include <cstdint>

inline constexpr int64_t kFloppyPieceSize = 1433600; // 1400 x 1024, what a 1.44 MB disk holds

// Bytes per piece of a custom size text: "100 MB" -> 104857600, "64k" -> 65536, "abc" -> 1048576.
// Throws JobError for a text with no usable size ("100", "-5 MB", "0 MB", "1.50 MB").
int64_t CustomPieceSize(const QString& text);

// Bytes per piece for a size option 0..4 (4 reads the custom text).
int64_t PieceSizeFor(int sizeIndex, const QString& customText);

// The piece size the job will use: disks on the FloppyDrive folder always take kFloppyPieceSize.
int64_t PieceSizeOf(const SplitJob& job);
