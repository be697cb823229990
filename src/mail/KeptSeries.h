#pragma once

#include "core/SplitJob.h"
#include "mail/SeriesRecord.h"
#include "shell/Shell.h"

#include <optional>

// Finds a stopped series of this job among the kept ones, says what it finds, and asks whether to send only
// the missing messages (/rsm answers yes without asking; /nui without it sends everything and says that a
// stopped series exists). A record that no longer fits its source or pieces is said so and removed. Throws
// JobError for /rsm when there is nothing to resume.
std::optional<SeriesRecord> ChooseSeries(const SplitJob& job, int64_t pieceSize, Shell& shell);

// Removes kept series started more than maxDays ago, with their pieces, and says which.
void RemoveOldSeries(Shell& shell, int maxDays = 30);
