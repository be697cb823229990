#include "split/PieceSize.h"

#include "core/JobError.h"
#include "core/NumberText.h"
#include "core/StringTable.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int64_t kDefaultPieceSize = 1048576;

// Beyond this a piece is no longer a piece; it also keeps the product exact in a double.
constexpr double kLargestPieceSize = 9007199254740992.0; // 2^53

JobError badCustomSize(const QString& text) {
    return JobError(Text(Res::BadCustomSize).arg(text));
}

} // namespace

int64_t CustomPieceSize(const QString& typed) {
    // Blanks around the whole text would otherwise be counted into the unit.
    const QString text = typed.trimmed();
    const double number = NumberAtStart(text);
    const QString written = NumberText(number);
    const QString unit = text.toUpper().right(std::max<qsizetype>(0, text.size() - written.size())).trimmed();

    double multiplier = 0;
    if (unit == u"MB" || unit == u"M")
        multiplier = 1048576;
    else if (unit == u"KB" || unit == u"K")
        multiplier = 1024;

    if (written == u"0") {
        // No number at all ("", "abc") means the default size; an explicit zero with a unit asks for
        // pieces of no bytes, which cannot be made.
        if (multiplier != 0)
            throw badCustomSize(typed);
        return kDefaultPieceSize;
    }
    if (multiplier == 0)
        throw badCustomSize(typed);

    const double bytes = RoundHalfEven(number * multiplier);
    if (!(bytes >= 1) || bytes > kLargestPieceSize)
        throw badCustomSize(typed);
    return static_cast<int64_t>(bytes);
}

int64_t PieceSizeFor(int sizeIndex, const QString& customText) {
    switch (sizeIndex) {
    case 0:
        return 524288;
    case 1:
        return 1048576;
    case 2:
        return kFloppyPieceSize;
    case 3:
        return 2097152;
    case 4:
        return CustomPieceSize(customText);
    default:
        return kDefaultPieceSize;
    }
}

int64_t PieceSizeOf(const SplitJob& job) {
    if (job.target() == Target::Floppy && !job.DesktopDisks)
        return kFloppyPieceSize;
    return PieceSizeFor(job.SizeIndex, job.CustomSplitSize);
}
