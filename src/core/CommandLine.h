#pragma once

#include "core/SplitJob.h"

#include <QString>
#include <QStringList>

// The command line's option language.

// The words the shell has split already: each is one token, and a double quote in it is dropped, so that a quote
// can never take the words after it along.
QStringList TokensOfArguments(const QStringList& arguments);

// The size option that a /sze: value selects: "512" 0, "1" 1, "1.44" 2, "2" 3, anything else 1.
int SizeIndexOfValue(const QString& value);

// Applies the tokens in order to job (a later option replaces an earlier one). Returns false at the first
// token that is no option; the caller then shows the usage text and ends without a job.
bool ApplyCommandLine(const QStringList& tokens, SplitJob& job);
