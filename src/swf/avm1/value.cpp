// Primitive conversions, per SWF version.
#include "swf/avm1/value.h"

#include "swf/avm1/number_format.h"
#include "swf/avm1/object.h"

#include <cmath>
#include <limits>

namespace swf::avm1 {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kSwfVersionFlash4 = 4;

bool isSpace(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QLatin1Char('\f') || c == QLatin1Char('\v');
}

int digitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'z') return u - 'a' + 10;
    if (u >= 'A' && u <= 'Z') return u - 'A' + 10;
    return 99;
}

qsizetype skipSpace(QStringView text, qsizetype i) {
    while (i < text.size() && isSpace(text[i]))
        ++i;
    return i;
}

// Length of the longest decimal literal at the start of text (sign, digits, fraction, exponent).
qsizetype decimalPrefix(QStringView text) {
    qsizetype i = 0;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) ++i;
    const qsizetype digitsStart = i;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    bool anyDigit = i > digitsStart;
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        qsizetype j = i + 1;
        while (j < text.size() && digitValue(text[j]) < 10)
            ++j;
        anyDigit = anyDigit || j > i + 1;
        i = j;
    }
    if (!anyDigit) return 0;
    if (i < text.size() && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-'))) ++j;
        const qsizetype expStart = j;
        while (j < text.size() && digitValue(text[j]) < 10)
            ++j;
        if (j > expStart) i = j;
    }
    return i;
}

double parseDigits(QStringView digits, int radix, bool* complete) {
    double result = 0;
    qsizetype i = 0;
    for (; i < digits.size(); ++i) {
        const int d = digitValue(digits[i]);
        if (d >= radix) break;
        result = result * radix + d;
    }
    *complete = i == digits.size() && i > 0;
    return i == 0 ? kNaN : result;
}

} // namespace

double parseFloatPrefix(QStringView text) {
    text = text.sliced(skipSpace(text, 0));
    const qsizetype length = decimalPrefix(text);
    if (length == 0) return kNaN;
    return text.left(length).toString().toDouble();
}

double parseIntPrefix(QStringView text, int radix) {
    text = text.sliced(skipSpace(text, 0));
    bool negative = false;
    if (!text.isEmpty() && (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+'))) {
        negative = text[0] == QLatin1Char('-');
        text = text.sliced(1);
    }
    const bool hexPrefix = text.size() >= 2 && text[0] == QLatin1Char('0') &&
                           (text[1] == QLatin1Char('x') || text[1] == QLatin1Char('X'));
    if (radix == 0) {
        if (hexPrefix)
            radix = 16;
        else if (text.size() >= 2 && text[0] == QLatin1Char('0') && digitValue(text[1]) < 8)
            radix = 8; // a leading zero means octal to this player's parseInt
        else
            radix = 10;
    }
    if (radix == 16 && hexPrefix) text = text.sliced(2);
    if (radix < 2 || radix > 36) return kNaN;
    bool complete = false;
    const double value = parseDigits(text, radix, &complete);
    return negative ? -value : value;
}

double stringToNumber(QStringView text, int swfVersion) {
    if (swfVersion <= kSwfVersionFlash4) {
        // Flash 4 scripts read what number they can and call the rest zero.
        const double value = parseFloatPrefix(text);
        return std::isnan(value) ? 0 : value;
    }
    // Space may lead a number but not follow it, and a number after space is always decimal.
    const qsizetype begin = skipSpace(text, 0);
    const bool spaced = begin > 0;
    QStringView body = text.sliced(begin);
    if (body.isEmpty()) return kNaN;
    if (!spaced && body.size() > 2 && body[0] == QLatin1Char('0') &&
        (body[1] == QLatin1Char('x') || body[1] == QLatin1Char('X'))) {
        // Hexadecimal text is a 32-bit integer, and may carry its sign after the prefix.
        QStringView digits = body.sliced(2);
        const bool negative = digits.startsWith(QLatin1Char('-'));
        if (negative) digits = digits.sliced(1);
        bool complete = false;
        const double value = parseDigits(digits, 16, &complete);
        return complete ? double(toInt32(negative ? -value : value)) : kNaN;
    }
    const bool negative = body[0] == QLatin1Char('-');
    QStringView unsignedBody = (negative || body[0] == QLatin1Char('+')) ? body.sliced(1) : body;
    if (!spaced && unsignedBody.size() > 1 && unsignedBody[0] == QLatin1Char('0')) {
        // The player's Number() reads "044" as octal.
        bool complete = false;
        const double value = parseDigits(unsignedBody.sliced(1), 8, &complete);
        if (complete) return negative ? -value : value;
    }
    qsizetype length = decimalPrefix(body);
    // An exponent mark with no digits after it is let go: "2e" and "-56e+" are numbers.
    QStringView rest = body.sliced(length);
    if (length > 0 && !rest.isEmpty() && (rest[0] == QLatin1Char('e') || rest[0] == QLatin1Char('E')) &&
        (rest.size() == 1 ||
         (rest.size() == 2 && (rest[1] == QLatin1Char('+') || rest[1] == QLatin1Char('-')))))
        rest = {};
    if (length == 0 || !rest.isEmpty()) return kNaN;
    return body.left(length).toString().toDouble();
}

double primitiveToNumber(const Value& value, int swfVersion) {
    switch (value.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return swfVersion >= kSwfVersionStrictConversions ? kNaN : 0;
    case ValueType::Boolean:
        return value.asBoolean() ? 1 : 0;
    case ValueType::Number:
        return value.asNumber();
    case ValueType::String:
        return stringToNumber(value.asString(), swfVersion);
    case ValueType::Object:
        return kNaN;
    }
    return kNaN;
}

bool toBoolean(const Value& value, int swfVersion) {
    switch (value.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return false;
    case ValueType::Boolean:
        return value.asBoolean();
    case ValueType::Number:
        return value.asNumber() != 0 && !std::isnan(value.asNumber());
    case ValueType::String: {
        if (swfVersion >= kSwfVersionStrictConversions) return !value.asString().isEmpty();
        const double n = stringToNumber(value.asString(), swfVersion);
        return n != 0 && !std::isnan(n);
    }
    case ValueType::Object:
        return true;
    }
    return false;
}

QString primitiveToString(const Value& value, int swfVersion) {
    switch (value.type()) {
    case ValueType::Undefined:
        return swfVersion >= kSwfVersionStrictConversions ? QStringLiteral("undefined") : QString();
    case ValueType::Null:
        return QStringLiteral("null");
    case ValueType::Boolean:
        return value.asBoolean() ? QStringLiteral("true") : QStringLiteral("false");
    case ValueType::Number:
        return formatNumber(value.asNumber());
    case ValueType::String:
        return value.asString();
    case ValueType::Object:
        return QStringLiteral("[object Object]");
    }
    return QString();
}

QString typeOf(const Value& value) {
    switch (value.type()) {
    case ValueType::Undefined:
        return QStringLiteral("undefined");
    case ValueType::Null:
        return QStringLiteral("null");
    case ValueType::Boolean:
        return QStringLiteral("boolean");
    case ValueType::Number:
        return QStringLiteral("number");
    case ValueType::String:
        return QStringLiteral("string");
    case ValueType::Object:
        if (value.asObject()->isFunction()) return QStringLiteral("function");
        if (value.asObject()->kind() == ObjectKind::Clip) return QStringLiteral("movieclip");
        return QStringLiteral("object");
    }
    return QString();
}

std::int32_t toInt32(double number) {
    return static_cast<std::int32_t>(toUint32(number));
}

std::uint32_t toUint32(double number) {
    if (!std::isfinite(number)) return 0;
    const double truncated = std::trunc(number);
    double wrapped = std::fmod(truncated, 4294967296.0);
    if (wrapped < 0) wrapped += 4294967296.0;
    return static_cast<std::uint32_t>(wrapped);
}

double toInteger(double number) {
    if (std::isnan(number)) return 0;
    return std::trunc(number);
}

bool strictEquals(const Value& a, const Value& b) {
    if (a.type() != b.type()) return false;
    switch (a.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return true;
    case ValueType::Boolean:
        return a.asBoolean() == b.asBoolean();
    case ValueType::Number:
        return a.asNumber() == b.asNumber() ||
               (a.numberIdentity() != 0 && a.numberIdentity() == b.numberIdentity());
    case ValueType::String:
        return a.asString() == b.asString();
    case ValueType::Object:
        return a.asObject() == b.asObject();
    }
    return false;
}

} // namespace swf::avm1
