#pragma once

#include <QString>

#include <cstdint>

// Numbers as the user reads them: the grouping and decimal signs of the user's locale, grouped also where
// the locale leaves grouping off by default.
QString GroupedNumber(int64_t n);
QString GroupedNumber(double x, int decimals);
