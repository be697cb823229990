#pragma once

#include "core/SplitJob.h"
#include "settings/Settings.h"

// What the window start puts into a job from the stored settings: size option and custom text, folder,
// recipient history (slots 1..10, empty ones skipped) with its newest entry as the recipient.
void LoadJobDefaults(Settings& settings, SplitJob& job);

// What every job stores for the next run, successful or not: size option, custom text, folder, and the
// recipient history (the recipient put on top when it differs from the newest entry; at most nine kept).
// Updates the job's history list as the recipient box's list changes.
void StoreJobSettings(SplitJob& job, Settings& settings);

// The body of the mails and of Read_Me.txt: the job's own, or the stored default when it has none.
QString BodyText(const SplitJob& job, Settings& settings);
