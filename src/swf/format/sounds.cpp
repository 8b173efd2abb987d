#include "swf/format/sounds.h"

#include "swf/format/tag_codes.h"
#include "swf/format/text_encoding.h"

namespace swf::format {
namespace {
// No start of a sound carries more envelope points than a byte can count.
constexpr int kMaxEnvelopePoints = 255;
constexpr int kRates[4] = {5512, 11025, 22050, 44100};
} // namespace

SoundFormat parseFormatByte(quint8 byte) {
    SoundFormat format;
    format.codec = static_cast<Codec>(byte >> 4);
    format.rate = kRates[(byte >> 2) & 3];
    format.is16Bit = (byte & 2) != 0;
    format.stereo = (byte & 1) != 0;
    return format;
}

bool readDefineSound(io::Reader& reader, SoundDefinition& out) {
    out.id = reader.u16();
    out.format = parseFormatByte(reader.u8());
    out.sampleCount = reader.u32();
    out.data = reader.rest().toByteArray();
    return !reader.failed() && out.id != 0;
}

bool readSoundInfo(io::Reader& reader, SoundInfo& out) {
    reader.ubits(2);
    out.stop = reader.flag();
    out.noMultiple = reader.flag();
    const bool hasEnvelope = reader.flag();
    const bool hasLoops = reader.flag();
    const bool hasOutPoint = reader.flag();
    const bool hasInPoint = reader.flag();
    if (hasInPoint) out.inPoint44 = reader.u32();
    if (hasOutPoint) out.outPoint44 = reader.u32();
    out.loops = hasLoops ? reader.u16() : 1;
    if (hasEnvelope) {
        const int count = std::min<int>(reader.u8(), kMaxEnvelopePoints);
        out.envelope.reserve(size_t(count));
        for (int i = 0; i < count && !reader.failed(); ++i) {
            EnvelopePoint point;
            point.position44 = reader.u32();
            point.left = reader.u16();
            point.right = reader.u16();
            out.envelope.push_back(point);
        }
    }
    return !reader.failed();
}

bool readStartSound(io::Reader& reader, int tagCode, const StringCoding& coding, StartSoundRecord& out) {
    if (tagCode == int(TagCode::StartSound2))
        out.className = decodeMovieString(reader.cString(), coding);
    else
        out.soundId = reader.u16();
    return readSoundInfo(reader, out.info);
}

bool readSoundStreamHead(io::Reader& reader, SoundStreamHeadRecord& out) {
    reader.u8(); // the playback format: a hint to the player, the stream's own format decides
    out.stream = parseFormatByte(reader.u8());
    out.samplesPerBlock = reader.u16();
    if (out.stream.codec == Codec::Mp3 && reader.remaining() >= 2) out.latencySeek = reader.s16();
    return !reader.failed();
}

bool readButtonSounds(io::Reader& reader, ButtonSounds& out) {
    out.buttonId = reader.u16();
    for (StartSoundRecord& transition : out.transitions) {
        if (reader.remaining() < 2) break;
        transition.soundId = reader.u16();
        if (transition.soundId != 0 && !readSoundInfo(reader, transition.info)) return false;
    }
    return !reader.failed();
}

} // namespace swf::format
