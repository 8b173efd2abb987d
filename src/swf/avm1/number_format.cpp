// Number formatting.
#include "swf/avm1/number_format.h"

#include "swf/avm1/value.h"

#include <cmath>
#include <cstdio>

namespace swf::avm1 {

QString formatNumber(double number) {
    if (std::isnan(number)) return QStringLiteral("NaN");
    if (std::isinf(number)) return number > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (number == 0) return QStringLiteral("0"); // also -0
    // Whole numbers below 10^15 print all their digits with %.15g, without an exponent.
    if (std::abs(number) < 1e15 && number == std::trunc(number))
        return QString::number(static_cast<qint64>(number));
    // Fifteen significant digits, a tie rounded away from zero (the exact expansion decides).
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%.60e", std::abs(number));
    const QString exact = QString::fromLatin1(buffer);
    const qsizetype e = exact.indexOf(QLatin1Char('e'));
    QString digits = exact.left(e).remove(QLatin1Char('.'));
    int exponent = exact.mid(e + 1).toInt();
    const bool roundUp = digits.at(15) >= QLatin1Char('5');
    digits.truncate(15);
    if (roundUp) {
        int i = 14;
        for (; i >= 0 && digits.at(i) == QLatin1Char('9'); --i)
            digits[i] = QLatin1Char('0');
        if (i >= 0) {
            digits[i] = QChar(digits.at(i).unicode() + 1);
        } else {
            digits.prepend(QLatin1Char('1'));
            digits.chop(1);
            ++exponent;
        }
    }
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    QString text;
    if (exponent < -5 || exponent >= 15) {
        // The player writes the exponent with as few digits as needed; small numbers down to
        // 10^-5 keep the fixed form.
        text = digits.left(1);
        if (digits.size() > 1) text += QLatin1Char('.') + digits.mid(1);
        text += exponent < 0 ? QStringLiteral("e-") : QStringLiteral("e+");
        text += QString::number(std::abs(exponent));
    } else if (exponent < 0) {
        text = QStringLiteral("0.") + QString(-exponent - 1, QLatin1Char('0')) + digits;
    } else if (digits.size() > exponent + 1) {
        text = digits.left(exponent + 1) + QLatin1Char('.') + digits.mid(exponent + 1);
    } else {
        text = digits + QString(exponent + 1 - digits.size(), QLatin1Char('0'));
    }
    return number < 0 ? QStringLiteral("-") + text : text;
}

QString formatNumberRadix(double number, int radix) {
    if (radix == 10 || radix < 2 || radix > 36) return formatNumber(number);
    if (!std::isfinite(number)) return formatNumber(number);
    // Other bases show the 32-bit integer part, as the player does.
    const std::int64_t integer = toInt32(number);
    std::uint64_t magnitude =
        integer < 0 ? static_cast<std::uint64_t>(-integer) : static_cast<std::uint64_t>(integer);
    QString digits;
    do {
        const int digit = static_cast<int>(magnitude % radix);
        digits.prepend(QLatin1Char(digit < 10 ? '0' + digit : 'a' + digit - 10));
        magnitude /= radix;
    } while (magnitude > 0);
    if (integer < 0) digits.prepend(QLatin1Char('-'));
    return digits;
}

} // namespace swf::avm1
