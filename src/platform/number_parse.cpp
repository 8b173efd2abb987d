// Leading-number parse and half-even rounding for settings values.

#include "platform/number_parse.h"

#include <QByteArray>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace platform {

namespace {

bool isSkipped(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

// Reads the text as a stream of characters with the skipped blanks taken out.
class Cursor {
  public:
    explicit Cursor(QStringView text) : m_text(text) { skipBlanks(); }

    bool atEnd() const { return m_pos >= m_text.size(); }
    char16_t peek() const { return atEnd() ? u'\0' : m_text[m_pos].unicode(); }
    void advance() {
        ++m_pos;
        skipBlanks();
    }

  private:
    void skipBlanks() {
        while (m_pos < m_text.size() && isSkipped(m_text[m_pos]))
            ++m_pos;
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

int digitValue(char16_t c, int radix) {
    int value = -1;
    if (c >= u'0' && c <= u'9')
        value = c - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        value = c - u'A' + 10;
    return value >= 0 && value < radix ? value : -1;
}

double radixNumber(Cursor& cursor, int radix) {
    double value = 0;
    for (int digit; (digit = digitValue(cursor.peek(), radix)) >= 0; cursor.advance())
        value = value * radix + digit;
    return value;
}

bool isDecimalDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Exponents beyond this already give 0 or an infinity for any mantissa the parse can meet
// (the mantissa is bounded by the text's length), and clamping keeps the sum from overflowing.
constexpr qint64 kExponentClamp = qint64(1) << 40;

double decimalNumber(Cursor& cursor) {
    // The digits are collected without a decimal point and the point is moved into the
    // exponent, so the conversion needs no locale's decimal separator.
    QByteArray digits;
    qint64 exponent = 0;
    while (isDecimalDigit(cursor.peek())) {
        digits.append(char(cursor.peek()));
        cursor.advance();
    }
    if (cursor.peek() == u'.') {
        cursor.advance();
        while (isDecimalDigit(cursor.peek())) {
            digits.append(char(cursor.peek()));
            --exponent;
            cursor.advance();
        }
    }
    if (digits.isEmpty()) return 0;
    const char16_t mark = cursor.peek();
    if (mark == u'e' || mark == u'E' || mark == u'd' || mark == u'D') {
        cursor.advance();
        bool negative = false;
        if (cursor.peek() == u'+' || cursor.peek() == u'-') {
            negative = cursor.peek() == u'-';
            cursor.advance();
        }
        qint64 written = 0;
        while (isDecimalDigit(cursor.peek())) {
            written = std::min(kExponentClamp, written * 10 + (cursor.peek() - u'0'));
            cursor.advance();
        }
        exponent += negative ? -written : written;
    }
    digits.append('e');
    digits.append(QByteArray::number(exponent));
    // strtod gives HUGE_VAL on overflow and 0 on underflow, which is what a caller range-checks.
    return std::strtod(digits.constData(), nullptr);
}

double roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction < 0.5) return floor;
    if (fraction > 0.5) return floor + 1;
    return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

template <typename Int> std::optional<Int> toIntHalfEven(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = roundHalfEven(value);
    if (rounded < double(std::numeric_limits<Int>::min()) ||
        rounded > double(std::numeric_limits<Int>::max()))
        return std::nullopt;
    return static_cast<Int>(rounded);
}

} // namespace

double leadingNumber(QStringView text) {
    Cursor cursor(text);
    if (cursor.peek() == u'&') {
        cursor.advance();
        const char16_t kind = cursor.peek();
        if (kind == u'h' || kind == u'H') {
            cursor.advance();
            return radixNumber(cursor, 16);
        }
        if (kind == u'o' || kind == u'O') {
            cursor.advance();
            return radixNumber(cursor, 8);
        }
        return 0;
    }
    double sign = 1;
    if (cursor.peek() == u'+' || cursor.peek() == u'-') {
        sign = cursor.peek() == u'-' ? -1 : 1;
        cursor.advance();
    }
    return sign * decimalNumber(cursor);
}

std::optional<qint32> toInt32HalfEven(double value) {
    return toIntHalfEven<qint32>(value);
}

std::optional<qint16> toInt16HalfEven(double value) {
    return toIntHalfEven<qint16>(value);
}

} // namespace platform
