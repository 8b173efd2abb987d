// GB18030 conversion through QStringConverter (ICU-backed in this Qt build).

#include "platform/text_codec.h"

#include <QList>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace platform {

namespace {

constexpr char kCodecName[] = "GB18030";

// GBK (code page 936) holds the euro sign as the single byte 0x80; GB18030 moved it to
// A2 E3 and left 0x80 unassigned. Files written on the systems served use 0x80.
constexpr char16_t kEuroSign = u'\u20AC';
constexpr char kGbkEuroByte = '\x80';
constexpr char kGb18030Euro[] = "\xA2\xE3";

bool isLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}
bool isDigitByte(unsigned char byte) {
    return byte >= 0x30 && byte <= 0x39;
}

// Length in bytes of the character starting at `bytes[pos]`, as a GB18030 decoder reads it:
// one byte below 0x81 (and for 0xFF), four for a lead byte followed by a digit, else two.
// Truncated sequences count only the bytes present.
qsizetype characterLength(QByteArrayView bytes, qsizetype pos) {
    const auto lead = static_cast<unsigned char>(bytes[pos]);
    if (!isLeadByte(lead)) return 1;
    const qsizetype left = bytes.size() - pos;
    if (left >= 2 && isDigitByte(static_cast<unsigned char>(bytes[pos + 1])))
        return std::min<qsizetype>(4, left);
    return std::min<qsizetype>(2, left);
}

// ICU keeps an unfinished character at the end of the input back, waiting for more bytes
// that never come; a line feed after it (never part of a character) makes it give U+FFFD for
// the stump instead of dropping it.
QString decodeClosed(QByteArrayView bytes) {
    QStringDecoder decoder(kCodecName);
    if (bytes.isEmpty() || static_cast<unsigned char>(bytes.back()) < 0x30) return decoder.decode(bytes);
    QByteArray closed;
    closed.reserve(bytes.size() + 1);
    closed.append(bytes).append('\n');
    QString text = decoder.decode(closed);
    if (text.endsWith(u'\n')) text.chop(1);
    return text;
}

} // namespace

QByteArray toLocal8(const QString& text) {
    QStringEncoder encoder(kCodecName);
    if (!text.contains(QChar(kEuroSign))) return encoder.encode(text);
    QByteArray result;
    const auto parts = QStringView(text).split(QChar(kEuroSign));
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (i > 0) result.append(kGbkEuroByte);
        result.append(QByteArray(encoder.encode(parts[i])));
    }
    return result;
}

QString fromLocal8(QByteArrayView bytes) {
    if (!bytes.contains(kGbkEuroByte)) return decodeClosed(bytes);
    // 0x80 may also be the second byte of a two-byte character, so only a 0x80 standing
    // where a character starts is the euro sign.
    QByteArray mended;
    mended.reserve(bytes.size() + 8);
    for (qsizetype pos = 0; pos < bytes.size();) {
        const qsizetype length = characterLength(bytes, pos);
        if (length == 1 && bytes[pos] == kGbkEuroByte)
            mended.append(kGb18030Euro, 2);
        else
            mended.append(bytes.sliced(pos, length));
        pos += length;
    }
    return decodeClosed(mended);
}

qsizetype local8PrefixLength(QByteArrayView bytes, qsizetype maxBytes) {
    if (bytes.size() <= maxBytes) return bytes.size();
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype length = characterLength(bytes, pos);
        if (pos + length > maxBytes) break;
        pos += length;
    }
    return pos;
}

} // namespace platform
