// Action record and payload decoding.
#include "swf/format/actions.h"

namespace swf::format {

namespace {
constexpr int kFirstCodeWithPayload = 0x80;

// Length of the longest well-formed UTF-8 start of bytes.
qsizetype validUtf8Prefix(QByteArrayView bytes) {
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int trail = 0;
        std::uint32_t code = 0;
        std::uint32_t least = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xe0) == 0xc0) {
            trail = 1, code = lead & 0x1f, least = 0x80;
        } else if ((lead & 0xf0) == 0xe0) {
            trail = 2, code = lead & 0x0f, least = 0x800;
        } else if ((lead & 0xf8) == 0xf0) {
            trail = 3, code = lead & 0x07, least = 0x10000;
        } else {
            return i;
        }
        if (i + trail >= bytes.size()) return i;
        for (int k = 1; k <= trail; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xc0) != 0x80) return i;
            code = (code << 6) | (next & 0x3f);
        }
        if (code < least || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return i;
        i += 1 + trail;
    }
    return i;
}

} // namespace

std::optional<ActionRecord> readActionRecord(QByteArrayView block, int offset) {
    if (offset < 0 || offset >= block.size()) return std::nullopt;
    io::Reader reader(block);
    reader.seek(offset);
    ActionRecord record;
    record.offset = offset;
    record.code = reader.u8();
    if (record.code < kFirstCodeWithPayload) return record;
    const quint16 length = reader.u16();
    record.payload = reader.view(length);
    if (reader.failed()) return std::nullopt;
    record.size = 3 + length;
    return record;
}

QString decodeActionString(QByteArrayView bytes, const StringCoding& coding) {
    // A string breaks off where its UTF-8 goes wrong: the player keeps what came before.
    if (coding.isUtf8()) return QString::fromUtf8(bytes.first(validUtf8Prefix(bytes)));
    return decodeCodePage(bytes, coding.codePage);
}

QString PayloadReader::string() {
    return decodeActionString(rawString(), m_coding);
}

QByteArrayView PayloadReader::rawString() {
    const QByteArrayView rest = m_reader.peekRest();
    const qsizetype end = rest.indexOf('\0');
    if (end < 0) {
        // Unterminated: what there is, and the reader is done.
        m_reader.skip(rest.size());
        m_reader.fail();
        return rest;
    }
    m_reader.skip(end + 1);
    return rest.first(end);
}

std::optional<FunctionHeader> readDefineFunction(QByteArrayView payload, const StringCoding& coding) {
    PayloadReader reader(payload, coding);
    FunctionHeader header;
    header.name = reader.string();
    const int count = reader.u16();
    for (int i = 0; i < count && !reader.failed(); ++i)
        header.params.push_back({0, reader.string()});
    header.codeSize = reader.u16();
    if (reader.failed()) return std::nullopt;
    return header;
}

std::optional<FunctionHeader> readDefineFunction2(QByteArrayView payload, const StringCoding& coding) {
    PayloadReader reader(payload, coding);
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

std::optional<TryHeader> readTry(QByteArrayView payload, const StringCoding& coding) {
    PayloadReader reader(payload, coding);
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
