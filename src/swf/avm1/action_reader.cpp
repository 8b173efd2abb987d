// Action record and payload decoding.
#include "swf/avm1/action_reader.h"

#include <QStringDecoder>

#include <cstring>

namespace swf::format {

namespace {
constexpr int kFirstCodeWithPayload = 0x80;
constexpr int kSwfVersionUtf8 = 6;
} // namespace

std::optional<ActionRecord> readActionRecord(QByteArrayView block, int offset) {
    if (offset < 0 || offset >= block.size()) return std::nullopt;
    ActionRecord record;
    record.offset = offset;
    record.code = static_cast<std::uint8_t>(block[offset]);
    if (record.code < kFirstCodeWithPayload) return record;
    if (offset + 3 > block.size()) return std::nullopt;
    const int length =
        static_cast<std::uint8_t>(block[offset + 1]) | (static_cast<std::uint8_t>(block[offset + 2]) << 8);
    if (offset + 3 + length > block.size()) return std::nullopt;
    record.size = 3 + length;
    record.payload = block.sliced(offset + 3, length);
    return record;
}

QString decodeActionString(QByteArrayView bytes, int swfVersion) {
    if (swfVersion >= kSwfVersionUtf8) return QString::fromUtf8(bytes);
    // Older movies were authored in the system code page; this player's users are GBK.
    QStringDecoder decoder("GB18030");
    if (!decoder.isValid()) return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

std::uint8_t PayloadReader::u8() {
    if (m_pos + 1 > m_bytes.size()) {
        m_failed = true;
        m_pos = static_cast<int>(m_bytes.size());
        return 0;
    }
    return static_cast<std::uint8_t>(m_bytes[m_pos++]);
}

std::uint16_t PayloadReader::u16() {
    const std::uint16_t low = u8();
    return static_cast<std::uint16_t>(low | (u8() << 8));
}

std::uint32_t PayloadReader::u32() {
    const std::uint32_t low = u16();
    return low | (static_cast<std::uint32_t>(u16()) << 16);
}

float PayloadReader::f32() {
    const std::uint32_t bits = u32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double PayloadReader::f64() {
    const std::uint64_t high = u32();
    const std::uint64_t low = u32();
    const std::uint64_t bits = (high << 32) | low;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QString PayloadReader::string() {
    return decodeActionString(rawString(), m_version);
}

QByteArrayView PayloadReader::rawString() {
    const int start = m_pos;
    while (m_pos < m_bytes.size() && m_bytes[m_pos] != '\0')
        ++m_pos;
    if (m_pos >= m_bytes.size()) {
        m_failed = true;
        return m_bytes.sliced(start);
    }
    return m_bytes.sliced(start, m_pos++ - start);
}

std::optional<FunctionHeader> readDefineFunction(QByteArrayView payload, int swfVersion) {
    PayloadReader reader(payload, swfVersion);
    FunctionHeader header;
    header.name = reader.string();
    const int count = reader.u16();
    for (int i = 0; i < count && !reader.failed(); ++i)
        header.params.push_back({0, reader.string()});
    header.codeSize = reader.u16();
    if (reader.failed()) return std::nullopt;
    return header;
}

std::optional<FunctionHeader> readDefineFunction2(QByteArrayView payload, int swfVersion) {
    PayloadReader reader(payload, swfVersion);
    FunctionHeader header;
    header.isFunction2 = true;
    header.name = reader.string();
    const int count = reader.u16();
    header.registerCount = reader.u8();
    const std::uint8_t first = reader.u8();
    const std::uint8_t second = reader.u8();
    header.flags = static_cast<std::uint16_t>(first | ((second & 1) << 8));
    for (int i = 0; i < count && !reader.failed(); ++i) {
        const int reg = reader.u8();
        header.params.push_back({reg, reader.string()});
    }
    header.codeSize = reader.u16();
    if (reader.failed()) return std::nullopt;
    return header;
}

std::optional<TryHeader> readTry(QByteArrayView payload, int swfVersion) {
    PayloadReader reader(payload, swfVersion);
    TryHeader header;
    const std::uint8_t flags = reader.u8();
    header.hasCatch = flags & 0x01;
    header.hasFinally = flags & 0x02;
    header.catchInRegister = flags & 0x04;
    header.trySize = reader.u16();
    header.catchSize = reader.u16();
    header.finallySize = reader.u16();
    if (header.catchInRegister)
        header.catchRegister = reader.u8();
    else
        header.catchName = reader.string();
    if (reader.failed()) return std::nullopt;
    return header;
}

} // namespace swf::format
