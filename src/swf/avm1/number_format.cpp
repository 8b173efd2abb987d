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
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", number);
    QString text = QString::fromLatin1(buffer);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    if (e < 0) return text;
    // C writes at least two exponent digits; the player writes as few as needed.
    QString mantissa = text.left(e);
    QString exponent = text.mid(e + 2);
    const QChar sign = text.at(e + 1);
    while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0')))
        exponent.remove(0, 1);
    return mantissa + QLatin1Char('e') + sign + exponent;
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
