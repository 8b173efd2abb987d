// Byte and bit writers for building movie bytes in tests and tools.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QString>
#include <QTransform>

#include <cstdint>

namespace swftest {

// Bits needed to hold value as a signed (two's complement) field.
int signedBits(qint64 value);
int unsignedBits(quint64 value);

struct ColorTransformValues {
    int redMult = 256, greenMult = 256, blueMult = 256, alphaMult = 256;
    int redAdd = 0, greenAdd = 0, blueAdd = 0, alphaAdd = 0;
};

class Writer {
  public:
    void u8(int value);
    void u16(int value);
    void u32(quint32 value);
    void s16(int value) { u16(value & 0xffff); }
    void fixed8(double value) { s16(qRound(value * 256)); }
    void bytes(const QByteArray& data) {
        flushBits();
        m_data.append(data);
    }
    void cString(const QByteArray& text) {
        bytes(text);
        u8(0);
    }
    void rgb(const QColor& color);
    void rgba(const QColor& color);

    void ubits(quint32 value, int count);
    void sbits(qint32 value, int count) { ubits(static_cast<quint32>(value), count); }
    void flushBits();

    // Records; coordinates in twips.
    void rect(const QRectF& twips);
    void matrix(const QTransform& twips); // m11 m12 m21 m22 dx dy = a b c d tx ty
    void colorTransform(const ColorTransformValues& cx, bool withAlpha);

    qsizetype size() const { return m_data.size(); }
    const QByteArray& data() {
        flushBits();
        return m_data;
    }

  private:
    QByteArray m_data;
    quint32 m_bitBuffer = 0;
    int m_bitCount = 0;
};

} // namespace swftest
