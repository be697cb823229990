#pragma once

#include "core/SplitJob.h"
#include "settings/Settings.h"

// Opens the wizard with the job's values and runs until its window closes; returns the exit status.
// Needs a QApplication.
int RunWizard(SplitJob& job, Settings& settings);
