// Bit packing, most significant bit first, as movies store it.
#include "bit_writer.h"

#include <algorithm>
#include <cmath>

namespace swftest {

int signedBits(qint64 value) {
    int bits = 1;
    while (bits < 32 && (value < -(qint64(1) << (bits - 1)) || value >= (qint64(1) << (bits - 1))))
        ++bits;
    return bits;
}

int unsignedBits(quint64 value) {
    int bits = 0;
    while (value >> bits)
        ++bits;
    return bits;
}

void Writer::u8(int value) {
    flushBits();
    m_data.append(static_cast<char>(value & 0xff));
}

void Writer::u16(int value) {
    u8(value);
    u8(value >> 8);
}

void Writer::u32(quint32 value) {
    u16(static_cast<int>(value & 0xffff));
    u16(static_cast<int>(value >> 16));
}

void Writer::rgb(const QColor& color) {
    u8(color.red());
    u8(color.green());
    u8(color.blue());
}

void Writer::rgba(const QColor& color) {
    rgb(color);
    u8(color.alpha());
}

void Writer::ubits(quint32 value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        m_bitBuffer = (m_bitBuffer << 1) | ((value >> i) & 1);
        if (++m_bitCount == 8) {
            m_data.append(static_cast<char>(m_bitBuffer));
            m_bitBuffer = 0;
            m_bitCount = 0;
        }
    }
}

void Writer::flushBits() {
    if (m_bitCount == 0) return;
    m_data.append(static_cast<char>(m_bitBuffer << (8 - m_bitCount)));
    m_bitBuffer = 0;
    m_bitCount = 0;
}

void Writer::rect(const QRectF& twips) {
    const qint32 values[4] = {qint32(std::lround(twips.left())), qint32(std::lround(twips.right())),
                              qint32(std::lround(twips.top())), qint32(std::lround(twips.bottom()))};
    int bits = 1;
    for (qint32 v : values)
        bits = std::max(bits, signedBits(v));
    flushBits();
    ubits(static_cast<quint32>(bits), 5);
    for (qint32 v : values)
        sbits(v, bits);
    flushBits();
}

void Writer::matrix(const QTransform& m) {
    flushBits();
    auto fixed = [](double v) { return qint32(std::lround(v * 65536.0)); };
    const bool hasScale = m.m11() != 1.0 || m.m22() != 1.0;
    ubits(hasScale, 1);
    if (hasScale) {
        const int bits = std::max(signedBits(fixed(m.m11())), signedBits(fixed(m.m22())));
        ubits(static_cast<quint32>(bits), 5);
        sbits(fixed(m.m11()), bits);
        sbits(fixed(m.m22()), bits);
    }
    const bool hasRotate = m.m12() != 0.0 || m.m21() != 0.0;
    ubits(hasRotate, 1);
    if (hasRotate) {
        const int bits = std::max(signedBits(fixed(m.m12())), signedBits(fixed(m.m21())));
        ubits(static_cast<quint32>(bits), 5);
        sbits(fixed(m.m12()), bits);
        sbits(fixed(m.m21()), bits);
    }
    const qint32 tx = qint32(std::lround(m.dx())), ty = qint32(std::lround(m.dy()));
    const int bits = (tx == 0 && ty == 0) ? 0 : std::max(signedBits(tx), signedBits(ty));
    ubits(static_cast<quint32>(bits), 5);
    sbits(tx, bits);
    sbits(ty, bits);
    flushBits();
}

void Writer::colorTransform(const ColorTransformValues& cx, bool withAlpha) {
    flushBits();
    const bool hasMult =
        cx.redMult != 256 || cx.greenMult != 256 || cx.blueMult != 256 || (withAlpha && cx.alphaMult != 256);
    const bool hasAdd = cx.redAdd || cx.greenAdd || cx.blueAdd || (withAlpha && cx.alphaAdd);
    int bits = 1;
    for (int v : {cx.redMult, cx.greenMult, cx.blueMult, cx.alphaMult, cx.redAdd, cx.greenAdd, cx.blueAdd,
                  cx.alphaAdd})
        bits = std::max(bits, signedBits(v));
    ubits(hasAdd, 1);
    ubits(hasMult, 1);
    ubits(static_cast<quint32>(bits), 4);
    if (hasMult) {
        sbits(cx.redMult, bits);
        sbits(cx.greenMult, bits);
        sbits(cx.blueMult, bits);
        if (withAlpha) sbits(cx.alphaMult, bits);
    }
    if (hasAdd) {
        sbits(cx.redAdd, bits);
        sbits(cx.greenAdd, bits);
        sbits(cx.blueAdd, bits);
        if (withAlpha) sbits(cx.alphaAdd, bits);
    }
    flushBits();
}

} // namespace swftest
