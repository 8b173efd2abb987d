// Bounded byte and bit reader.
#include "swf/io/reader.h"

#include <cstring>

namespace swf::io {

quint32 Reader::u24() {
    if (!take(3)) return 0;
    const auto* p = reinterpret_cast<const quint8*>(m_data.data() + m_pos);
    m_pos += 3;
    return p[0] | (p[1] << 8) | (quint32(p[2]) << 16);
}

float Reader::f32() {
    const quint32 bits = u32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double Reader::f64() {
    // Script doubles are stored as two little-endian halves, high word first.
    const quint64 high = u32();
    const quint64 low = u32();
    const quint64 bits = (high << 32) | low;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

quint32 Reader::encodedU32() {
    quint32 value = 0;
    for (int i = 0; i < 5; ++i) {
        const quint8 byte = u8();
        value |= quint32(byte & 0x7f) << (7 * i);
        if (!(byte & 0x80)) break;
    }
    return value;
}

QByteArray Reader::bytes(qsizetype count) {
    return view(count).toByteArray();
}

QByteArray Reader::cString() {
    m_bitCount = 0;
    if (m_failed) return {};
    const qsizetype end = m_data.indexOf('\0', m_pos);
    if (end < 0) {
        m_failed = true;
        return {};
    }
    QByteArray result = m_data.sliced(m_pos, end - m_pos).toByteArray();
    m_pos = end + 1;
    return result;
}

void Reader::skip(qsizetype count) {
    view(count);
}

quint32 Reader::ubits(int count) {
    if (count <= 0) return 0;
    if (count > 32) {
        m_failed = true;
        return 0;
    }
    quint64 value = 0;
    while (count > 0) {
        if (m_bitCount == 0) {
            if (m_failed || m_pos >= m_data.size()) {
                m_failed = true;
                return 0;
            }
            m_bitBuffer = static_cast<quint8>(m_data[m_pos++]);
            m_bitCount = 8;
        }
        const int taken = count < m_bitCount ? count : m_bitCount;
        const quint32 mask = (1u << taken) - 1;
        value = (value << taken) | ((m_bitBuffer >> (m_bitCount - taken)) & mask);
        m_bitCount -= taken;
        count -= taken;
    }
    return static_cast<quint32>(value);
}

qint32 Reader::sbits(int count) {
    if (count <= 0) return 0;
    const quint32 raw = ubits(count);
    if (count >= 32) return static_cast<qint32>(raw);
    const quint32 sign = 1u << (count - 1);
    return static_cast<qint32>((raw ^ sign) - sign);
}

Reader Reader::sub(qsizetype count) {
    m_bitCount = 0;
    if (m_failed || count < 0) {
        m_failed = true;
        Reader broken;
        broken.m_failed = true;
        return broken;
    }
    const qsizetype available = m_data.size() - m_pos;
    const qsizetype taken = count < available ? count : available;
    Reader result(m_data.sliced(m_pos, taken), m_base + m_pos);
    m_pos += taken;
    if (taken < count) {
        m_failed = true;
        result.m_failed = true;
    }
    return result;
}

} // namespace swf::io
