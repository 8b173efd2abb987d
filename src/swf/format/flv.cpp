#include "swf/format/flv.h"

#include <algorithm>
#include <cstring>

namespace swf::format {
namespace {

constexpr int kFlvHeaderSize = 9;
constexpr int kTagHeaderSize = 11;
constexpr int kPreviousSizeField = 4;

quint32 be(QByteArrayView bytes, qsizetype at, int count) {
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}

class AmfReader {
  public:
    explicit AmfReader(QByteArrayView bytes) : m_bytes(bytes) {}
    bool atEnd() const { return m_at >= m_bytes.size(); }

    bool value(AmfValue& out, int depth) {
        if (depth > kMaxAmfDepth || atEnd()) return false;
        const quint8 marker = quint8(m_bytes[m_at++]);
        switch (marker) {
        case 0x00:
            out.kind = AmfValue::Kind::Number;
            return number(out.number);
        case 0x01:
            if (!has(1)) return false;
            out.kind = AmfValue::Kind::Boolean;
            out.boolean = m_bytes[m_at++] != 0;
            return true;
        case 0x02:
            out.kind = AmfValue::Kind::String;
            return string(out.string, 2);
        case 0x0c:
            out.kind = AmfValue::Kind::String;
            return string(out.string, 4);
        case 0x03:
            out.kind = AmfValue::Kind::Object;
            return members(out, depth);
        case 0x08: // ECMA array: a count the members that follow need not agree with
            if (!has(4)) return false;
            m_at += 4;
            out.kind = AmfValue::Kind::Array;
            return members(out, depth);
        case 0x0a: {
            if (!has(4)) return false;
            const quint32 count = be(m_bytes, m_at, 4);
            m_at += 4;
            out.kind = AmfValue::Kind::Array;
            for (quint32 i = 0; i < count; ++i) {
                AmfValue item;
                if (!value(item, depth + 1)) return false;
                out.members.push_back({QString::number(i), std::move(item)});
            }
            return true;
        }
        case 0x05:
            out.kind = AmfValue::Kind::Null;
            return true;
        case 0x06:
            out.kind = AmfValue::Kind::Undefined;
            return true;
        case 0x0b:
            out.kind = AmfValue::Kind::Date;
            if (!number(out.number) || !has(2)) return false;
            m_at += 2; // the time zone, which readers ignore
            return true;
        default: // references, movie clips, records sets, XML, typed objects: not in FLV files
            return false;
        }
    }

  private:
    bool has(qsizetype count) const { return count <= m_bytes.size() - m_at; }
    bool number(double& out) {
        if (!has(8)) return false;
        quint64 bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = (bits << 8) | quint8(m_bytes[m_at + i]);
        std::memcpy(&out, &bits, sizeof out);
        m_at += 8;
        return true;
    }
    bool string(QString& out, int lengthBytes) {
        if (!has(lengthBytes)) return false;
        const quint32 length = be(m_bytes, m_at, lengthBytes);
        m_at += lengthBytes;
        if (!has(length)) return false;
        out = QString::fromUtf8(m_bytes.sliced(m_at, length));
        m_at += length;
        return true;
    }
    bool members(AmfValue& out, int depth) {
        for (;;) {
            QString name;
            if (!string(name, 2)) return false;
            if (name.isEmpty() && has(1) && quint8(m_bytes[m_at]) == 0x09) {
                ++m_at;
                return true;
            }
            AmfValue member;
            if (!value(member, depth + 1)) return false;
            out.members.push_back({std::move(name), std::move(member)});
        }
    }

    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

} // namespace

std::optional<FlvFile> readFlv(QByteArrayView bytes) {
    if (bytes.size() < kFlvHeaderSize || bytes[0] != 'F' || bytes[1] != 'L' || bytes[2] != 'V')
        return std::nullopt;
    FlvFile file;
    const quint8 flags = quint8(bytes[4]);
    file.hasAudio = (flags & 0x04) != 0;
    file.hasVideo = (flags & 0x01) != 0;
    const quint32 headerSize = be(bytes, 5, 4);
    // A header claiming gigabytes is taken at its word: the tags then never come.
    file.readTo = qsizetype(std::clamp<quint32>(headerSize, kFlvHeaderSize, 1u << 30)) + kPreviousSizeField;
    readMoreFlv(bytes, file);
    return file;
}

int readMoreFlv(QByteArrayView bytes, FlvFile& file) {
    qsizetype at = file.readTo;
    int added = 0;
    file.incomplete = false;
    while (int(file.tags.size()) < kMaxFlvTags) {
        if (bytes.size() - at < kTagHeaderSize) {
            file.incomplete = at < bytes.size();
            break;
        }
        const quint8 type = quint8(bytes[at]) & 0x1f; // the upper bits mark encrypted tags
        const quint32 size = be(bytes, at + 1, 3);
        const qint64 time = qint64(be(bytes, at + 4, 3)) | (qint64(quint8(bytes[at + 7])) << 24);
        if (bytes.size() - at - kTagHeaderSize < qsizetype(size)) {
            file.incomplete = true;
            break;
        }
        if (type == 8 || type == 9 || type == 18) {
            FlvTag tag;
            tag.type = static_cast<FlvTagType>(type);
            tag.timeMs = time;
            tag.body = bytes.sliced(at + kTagHeaderSize, size).toByteArray();
            file.tags.push_back(std::move(tag));
            ++added;
        }
        at += kTagHeaderSize + qsizetype(size) + kPreviousSizeField;
    }
    file.readTo = at;
    return added;
}

namespace {
constexpr int kAvcCodec = 7;
// H.264's composition time: signed 24 bits after the packet type.
qint32 avcComposition(QByteArrayView rest) {
    return qint32(be(rest, 1, 3) << 8) >> 8;
}
} // namespace

qint64 flvShownAtMs(const FlvTag& tag) {
    const QByteArrayView body(tag.body);
    if (tag.type != FlvTagType::Video || body.size() < 5 || (quint8(body[0]) & 0x0f) != kAvcCodec ||
        body[1] != 1)
        return tag.timeMs;
    return tag.timeMs + std::max(0, avcComposition(body.sliced(1)));
}

std::optional<FlvVideoPacket> readFlvVideo(QByteArrayView body) {
    if (body.isEmpty()) return std::nullopt;
    FlvVideoPacket out;
    out.frameType = quint8(body[0]) >> 4;
    out.codec = quint8(body[0]) & 0x0f;
    QByteArrayView rest = body.sliced(1);
    constexpr int kVp6 = 4, kVp6Alpha = 5;
    if (out.codec == kAvcCodec) {
        if (rest.size() < 4) return std::nullopt;
        out.avcPacketType = quint8(rest[0]);
        out.compositionMs = avcComposition(rest);
        rest = rest.sliced(4);
    }
    if (out.codec == kVp6 || out.codec == kVp6Alpha) {
        if (rest.isEmpty()) return std::nullopt;
        out.trimRight = quint8(rest[0]) >> 4;
        out.trimBottom = quint8(rest[0]) & 0x0f;
        rest = rest.sliced(1);
    }
    out.packet = rest.toByteArray();
    return out;
}

std::vector<AmfValue> readAmf0(QByteArrayView bytes) {
    std::vector<AmfValue> values;
    AmfReader reader(bytes);
    while (!reader.atEnd()) {
        AmfValue value;
        if (!reader.value(value, 0)) break;
        values.push_back(std::move(value));
    }
    return values;
}

} // namespace swf::format
