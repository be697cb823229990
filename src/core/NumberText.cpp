#include "core/NumberText.h"

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <string>

double NumberAtStart(const QString& text) {
    std::string digits;
    bool seenDigit = false, seenPoint = false, seenExponent = false, exponentDigit = false;
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n')
            continue;
        const char ch = c.toLatin1();
        if (ch >= '0' && ch <= '9') {
            digits += ch;
            (seenExponent ? exponentDigit : seenDigit) = true;
        } else if ((ch == '+' || ch == '-') && (digits.empty() || (seenExponent && digits.back() == 'E'))) {
            digits += ch;
        } else if (ch == '.' && !seenPoint && !seenExponent) {
            digits += ch;
            seenPoint = true;
        } else if ((ch == 'E' || ch == 'e' || ch == 'D' || ch == 'd') && seenDigit && !seenExponent) {
            digits += 'E';
            seenExponent = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;
    if (seenExponent && !exponentDigit) {
        // "5E" or "5E-": the exponent part is not a number, so reading stopped before it.
        digits.erase(digits.find('E'));
    }
    return std::strtod(digits.c_str(), nullptr);
}

QString NumberText(double value) {
    if (value == 0.0)
        return QStringLiteral("0");
    QString text = QString::number(value, 'g', 15).toUpper();
    const qsizetype e = text.indexOf(u'E');
    if (e >= 0) {
        // 1E+20, 1.5E-07 -> 1.5E-7 as the exponent is written without padding.
        QString mantissa = text.left(e);
        QString exponent = text.mid(e + 1);
        const QChar sign = exponent.front();
        exponent = exponent.mid(1);
        while (exponent.size() > 1 && exponent.front() == u'0')
            exponent.remove(0, 1);
        text = mantissa + u'E' + sign + exponent;
    }
    return text;
}

double RoundHalfEven(double value) {
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(value);
    std::fesetround(saved);
    return r;
}

std::optional<int16_t> ToInt16(const QString& text) {
    const double r = RoundHalfEven(NumberAtStart(text));
    if (!(r >= -32768.0 && r <= 32767.0))
        return std::nullopt;
    return static_cast<int16_t>(r);
}
