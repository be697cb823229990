#pragma once

#include <QString>

// A folder of the job's own under the system's temporary folder, readable by the user alone. Kept after
// a failure so that the pieces can be looked at; the caller removes it after success. Throws JobError when
// it cannot be made.
QString PrivateTempFolder();
