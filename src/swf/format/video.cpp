#include "swf/format/video.h"

namespace swf::format {
namespace {

// Fields of coded picture headers are packed most significant bit first.
class BitCursor {
  public:
    explicit BitCursor(QByteArrayView bytes) : m_bytes(bytes) {}
    bool failed() const { return m_failed; }
    quint32 take(int count) {
        quint32 value = 0;
        for (int i = 0; i < count; ++i) {
            const qsizetype byte = m_bit >> 3;
            if (byte >= m_bytes.size()) {
                m_failed = true;
                return 0;
            }
            value = (value << 1) | ((quint8(m_bytes[byte]) >> (7 - (m_bit & 7))) & 1);
            ++m_bit;
        }
        return value;
    }
    qsizetype bytePosition() const { return (m_bit + 7) >> 3; }

  private:
    QByteArrayView m_bytes;
    qsizetype m_bit = 0;
    bool m_failed = false;
};

bool h263KeyFrame(QByteArrayView packet) {
    BitCursor bits(packet);
    if (bits.take(17) != 1) return false; // picture start code
    if (bits.take(5) > 1) return false;   // format version 0 or 1
    bits.take(8);                         // temporal reference
    const quint32 size = bits.take(3);
    if (size == 0) bits.take(16); // width and height in a byte each
    if (size == 1) bits.take(32); // in two bytes each
    const quint32 pictureType = bits.take(2);
    return !bits.failed() && pictureType == 0; // 1 is inter, 2 disposable inter
}

bool vp6KeyFrame(QByteArrayView packet) {
    // The first bit of a picture is its mode: 0 for intra.
    return !packet.isEmpty() && (quint8(packet[0]) & 0x80) == 0;
}

// Screen video pictures are grids of zlib blocks; one that carries every block of the grid
// (and, in version 2, none coded against the picture before) stands alone.
bool screenVideoKeyFrame(QByteArrayView packet, bool version2) {
    BitCursor bits(packet);
    const int blockWidth = int(bits.take(4) + 1) * 16;
    const int imageWidth = int(bits.take(12));
    const int blockHeight = int(bits.take(4) + 1) * 16;
    const int imageHeight = int(bits.take(12));
    if (bits.failed() || imageWidth == 0 || imageHeight == 0) return false;
    if (version2) {
        const quint32 flags = bits.take(8);
        if (bits.failed() || (flags & 3) != 0) return false; // built on a stored or paletted image
    }
    const qint64 blocks =
        qint64((imageWidth + blockWidth - 1) / blockWidth) * ((imageHeight + blockHeight - 1) / blockHeight);
    qsizetype at = bits.bytePosition();
    for (qint64 i = 0; i < blocks; ++i) {
        if (at + 2 > packet.size()) return false;
        const int size = (quint8(packet[at]) << 8) | quint8(packet[at + 1]);
        at += 2;
        if (size == 0) return false; // unchanged since the picture before
        if (version2) {
            if (at >= packet.size()) return false;
            const int blockFlags = quint8(packet[at]);
            if (blockFlags & 0x05) return false; // differences, or primed by the picture before
        }
        at += size;
    }
    return true;
}

} // namespace

bool readDefineVideoStream(io::Reader& reader, VideoStreamDefinition& out) {
    out.id = reader.u16();
    out.frameCount = reader.u16();
    out.width = reader.u16();
    out.height = reader.u16();
    reader.ubits(4);
    out.deblocking = int(reader.ubits(3));
    out.smoothing = reader.ubits(1) != 0;
    out.codec = reader.u8();
    return !reader.failed(); // id 0 is as good as any other
}

bool readVideoFrame(io::Reader& reader, VideoFrameRecord& out) {
    out.streamId = reader.u16();
    out.frameNumber = reader.u16();
    out.data = reader.rest().toByteArray();
    return !reader.failed();
}

bool isVideoKeyFrame(int codec, QByteArrayView packet) {
    switch (static_cast<VideoCodec>(codec)) {
    case VideoCodec::SorensonH263:
        return h263KeyFrame(packet);
    case VideoCodec::Vp6:
        return vp6KeyFrame(packet);
    case VideoCodec::Vp6Alpha:
        // The colour picture follows the alpha plane's offset; the alpha plane is a picture of
        // the same kind.
        return packet.size() > 3 && vp6KeyFrame(packet.sliced(3));
    case VideoCodec::ScreenVideo:
        return screenVideoKeyFrame(packet, false);
    case VideoCodec::ScreenVideo2:
        return screenVideoKeyFrame(packet, true);
    case VideoCodec::Avc: // comes in FLV files only, whose tags mark their key frames
        return false;
    }
    return false;
}

} // namespace swf::format
