#pragma once

#include "core/SplitJob.h"

#include <QString>
#include <QStringList>

// The command line's option language.

// The words the shell has split already: each is one token. A pair of double quotes around the whole word or
// around its value is dropped (a launcher may pass /sbj:"Big file" as it is); a quote inside a value is kept, so
// that "Doe, John" <j@x.test> and file names with a quote arrive as they are.
QStringList TokensOfArguments(const QStringList& arguments);

// A /sze: value into the job: "512", "1", "1.44" and "2" select their options; a value with a digit is a custom
// size by the wizard's rule ("851KB", "100 MB"; one it refuses is refused when the job is checked); a value
// without any digit, also the empty one, selects "1 MB".
void ApplySizeValue(const QString& value, SplitJob& job);

// Applies the tokens in order to job (a later option replaces an earlier one). Returns false at the first
// token that is no option; the caller then shows the usage text and ends without a job.
bool ApplyCommandLine(const QStringList& tokens, SplitJob& job);
