// Bounded little-endian byte and bit reader over borrowed bytes. A read past the end yields 0
// and sets a sticky flag the caller tests at record boundaries, so a broken record cannot
// throw or run away; sub-readers confine a tag to its declared length.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

namespace swf::io {

class Reader {
  public:
    Reader() = default;
    explicit Reader(QByteArrayView bytes, qint64 baseOffset = 0) : m_data(bytes), m_base(baseOffset) {}

    bool failed() const { return m_failed; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    qsizetype position() const { return m_pos; }
    qsizetype remaining() const { return m_failed ? 0 : m_data.size() - m_pos; }
    qsizetype size() const { return m_data.size(); }
    // Offset of the current position in the stream the reader was cut from.
    qint64 streamOffset() const { return m_base + m_pos; }
    void fail() { m_failed = true; }

    // The small reads are inline: the interpreter decodes an action record with a few of them.
    quint8 u8() {
        if (!take(1)) return 0;
        return static_cast<quint8>(m_data[m_pos++]);
    }
    quint16 u16() {
        if (!take(2)) return 0;
        const auto* p = reinterpret_cast<const quint8*>(m_data.data() + m_pos);
        m_pos += 2;
        return static_cast<quint16>(p[0] | (p[1] << 8));
    }
    quint32 u32() {
        if (!take(4)) return 0;
        const auto* p = reinterpret_cast<const quint8*>(m_data.data() + m_pos);
        m_pos += 4;
        return p[0] | (p[1] << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
    }
    qint16 s16() { return static_cast<qint16>(u16()); }
    qint32 s32() { return static_cast<qint32>(u32()); }
    quint32 u24();
    float f32();
    double f64();
    // 8.8 and 16.16 fixed point.
    double fixed8() { return s16() / 256.0; }
    double fixed16() { return s32() / 65536.0; }
    quint32 encodedU32(); // 7 bits per byte, at most 5 bytes
    QByteArray bytes(qsizetype count);
    QByteArrayView view(qsizetype count) {
        if (!take(count)) return {};
        QByteArrayView result = m_data.sliced(m_pos, count);
        m_pos += count;
        return result;
    }
    QByteArrayView rest() { return view(remaining()); }
    // The unread bytes, without moving.
    QByteArrayView peekRest() const { return m_failed ? QByteArrayView() : m_data.sliced(m_pos); }
    // A NUL-terminated string's bytes (without the NUL); fails when no NUL is left.
    QByteArray cString();
    void skip(qsizetype count);
    void seek(qsizetype position) {
        m_bitCount = 0;
        if (position < 0 || position > m_data.size()) {
            m_failed = true;
            return;
        }
        m_pos = position;
    }

    // Bit fields read most significant bit first; any byte read realigns first.
    quint32 ubits(int count);
    qint32 sbits(int count);
    double fbits(int count) { return sbits(count) / 65536.0; }
    bool flag() { return ubits(1) != 0; }
    void align() { m_bitCount = 0; }

    // A reader over the next count bytes; this reader moves past them. When fewer bytes are
    // left, this reader fails and the sub-reader gets what there is, marked failed.
    Reader sub(qsizetype count);

  private:
    bool take(qsizetype count) {
        m_bitCount = 0;
        if (m_failed || count < 0 || count > m_data.size() - m_pos) {
            m_failed = true;
            return false;
        }
        return true;
    }

    QByteArrayView m_data;
    qint64 m_base = 0;
    qsizetype m_pos = 0;
    quint32 m_bitBuffer = 0;
    int m_bitCount = 0;
    bool m_failed = false;
};

} // namespace swf::io
