#pragma once

#include <cstdint>
#include <vector>

// Bytes a file takes on a disk whose blocks have this size.
int64_t Footprint(int64_t bytes, int64_t blockSize);

// What one disk of a series holds.
struct DiskShare {
    int pieces = 0;    // from the first piece not yet written on
    bool last = false; // the last piece and the closing files (batch file, checksum list, join script) go on it
};

// What goes onto a disk with this much room: as many whole pieces as fit beside a Read_Me.txt of readMe bytes,
// the closing files (closing bytes) with the last piece. At least one piece, so that a disk too small says so
// through the copy's own error; when the last piece fits but the closing files do not, it goes on the next disk
// with them.
DiskShare ShareOfDisk(const std::vector<int64_t>& pieceSizes, int first, int64_t room, int64_t blockSize,
                      int64_t readMe, int64_t closing);

// How many disks of this room the pieces from first on need.
int DisksNeeded(const std::vector<int64_t>& pieceSizes, int first, int64_t room, int64_t blockSize, int64_t readMe,
                int64_t closing);
