#include "core/LocaleNumbers.h"

#include <QLocale>

namespace {

QLocale grouping() {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

QString GroupedNumber(int64_t n) {
    return grouping().toString(static_cast<qlonglong>(n));
}

QString GroupedNumber(double x, int decimals) {
    return grouping().toString(x, 'f', decimals);
}
