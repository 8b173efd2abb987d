// Number formatting.
#include "swf/avm1/number_format.h"

#include "swf/avm1/value.h"

#include <cmath>

namespace swf::avm1 {

QString formatNumber(double number) {
    if (std::isnan(number)) return QStringLiteral("NaN");
    if (std::isinf(number)) return number > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (number == 0) return QStringLiteral("0"); // also -0
    // Whole numbers below 10^15 print all their digits with %.15g, without an exponent.
    if (std::abs(number) < 1e15 && number == std::trunc(number))
        return QString::number(static_cast<qint64>(number));
    // Fifteen significant digits, found as the player finds them: a number of 1 or more is
    // scaled straight to fifteen whole digits, a smaller one first into [1, 10) and then on,
    // by powers of ten built by squaring, and rounded half up. Each step rounds in double
    // precision, so the last digit can differ from the exact decimal expansion's
    // (Number.MAX_VALUE shows as 1.79769313486231e+308).
    const double magnitude = std::abs(number);
    int exponent = int(std::floor(std::log10(magnitude)));
    auto powerOfTen = [](int n) {
        double result = 1, base = 10;
        for (; n; n >>= 1, base *= base)
            if (n & 1) result *= base;
        return result;
    };
    double scaled = 0;
    if (exponent >= 0) {
        scaled =
            exponent <= 14 ? magnitude * powerOfTen(14 - exponent) : magnitude / powerOfTen(exponent - 14);
    } else {
        double unit = exponent >= -308 ? magnitude * powerOfTen(-exponent)
                                       // the smallest numbers: 10^324 is past the doubles
                                       : magnitude * powerOfTen(308) * powerOfTen(-exponent - 308);
        if (unit >= 10) {
            unit /= 10;
            ++exponent;
        } else if (unit < 1) {
            unit *= 10;
            --exponent;
        }
        scaled = unit * 1e14;
    }
    if (scaled < 1e14) { // log10 rounded up past a power of ten
        scaled *= 10;
        --exponent;
    }
    auto whole = static_cast<qint64>(std::floor(scaled + 0.5));
    if (whole >= 1'000'000'000'000'000) {
        whole /= 10;
        ++exponent;
    }
    QString digits = QString::number(whole);
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
