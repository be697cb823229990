#pragma once

#include "core/SplitJob.h"

#include <QString>
#include <QStringList>

// The command line's option language.

// Splits at blanks outside double quotes; the quotes themselves are dropped, two blanks give an empty token,
// and a token still open in quotes at the end is dropped with the rest of the text.
QStringList SplitCommandLine(const QString& text);

// POSIX hands over words, not one text: join them with blanks, quoting each word that holds a blank or is
// empty, so that SplitCommandLine gives one token per word again.
QString JoinArguments(const QStringList& arguments);

// The size option that a /sze: value selects: "512" 0, "1" 1, "1.44" 2, "2" 3, anything else 1.
int SizeIndexOfValue(const QString& value);

// Applies the tokens in order to job (a later option replaces an earlier one). Returns false at the first
// token that is no option; the caller then shows the usage text and ends without a job.
bool ApplyCommandLine(const QStringList& tokens, SplitJob& job);
