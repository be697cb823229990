#include "disks/DiskPlan.h"

#include <algorithm>

int64_t Footprint(int64_t bytes, int64_t blockSize) {
    return blockSize <= 0 ? bytes : (bytes + blockSize - 1) / blockSize * blockSize;
}

DiskShare ShareOfDisk(const std::vector<int64_t>& pieceSizes, int first, int64_t room, int64_t blockSize,
                      int64_t readMe, int64_t closing) {
    const int remaining = static_cast<int>(pieceSizes.size()) - first;
    if (remaining <= 0)
        return {0, true};
    int64_t used = Footprint(readMe, blockSize);
    int count = 0;
    while (count < remaining && used + Footprint(pieceSizes[first + count], blockSize) <= room)
        used += Footprint(pieceSizes[first + count++], blockSize);
    if (count < remaining) {
        const int take = std::max(count, 1);
        return {take, take == remaining};
    }
    if (used + closing <= room || remaining == 1)
        return {remaining, true};
    return {remaining - 1, false};
}

int DisksNeeded(const std::vector<int64_t>& pieceSizes, int first, int64_t room, int64_t blockSize, int64_t readMe,
                int64_t closing) {
    int disks = 0;
    for (DiskShare share; !share.last; first += share.pieces, ++disks)
        share = ShareOfDisk(pieceSizes, first, room, blockSize, readMe, closing);
    return disks;
}
