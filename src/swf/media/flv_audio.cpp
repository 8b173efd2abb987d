#include "swf/media/flv_audio.h"

#include "swf/media/codec_audio.h"
#include "swf/media/mp3_decoder.h"
#include "swf/media/sound_format.h"

#include <memory>

namespace swf::media {
namespace {

constexpr int kAac = 10;
constexpr int kMp38k = 14;
// Gaps shorter than this are codec rounding, not silence the file means.
constexpr int kGapMs = 40;

} // namespace

PcmBuffer decodeFlvAudio(const std::vector<format::FlvTag>& tags) {
    PcmBuffer out;
    std::optional<quint8> first;
    std::unique_ptr<Mp3Decoder> mp3;
    std::unique_ptr<CodecAudioDecoder> codec;
    bool rateKnown = false;
    for (const format::FlvTag& tag : tags) {
        if (tag.type != format::FlvTagType::Audio || tag.body.isEmpty()) continue;
        const quint8 formatByte = quint8(tag.body[0]);
        const int coding = formatByte >> 4;
        if (coding == kAac) {
            out.diagnostic = QStringLiteral("the video's AAC sound is not decoded");
            return {};
        }
        if (!first) first = formatByte;
        if (formatByte != *first) continue;
        SoundFormat format = parseFormatByte(formatByte);
        if (coding == kMp38k) {
            format.codec = Codec::Mp3;
            format.rate = 8000;
        }
        const QByteArrayView body = QByteArrayView(tag.body).sliced(1);
        PcmBuffer part;
        switch (format.codec) {
        case Codec::PcmNative:
        case Codec::PcmLittleEndian:
            part = decodePcm(format, body);
            break;
        case Codec::Adpcm:
            part = decodeAdpcm(format, body);
            break;
        case Codec::Mp3:
            if (!mp3) mp3 = std::make_unique<Mp3Decoder>();
            mp3->feed(body, part);
            break;
        default:
            if (!isCodecAudio(format.codec)) break;
            if (!codec) codec = std::make_unique<CodecAudioDecoder>(format);
            codec->feed(body, part);
            break;
        }
        if (part.samples.empty()) continue;
        if (!rateKnown) {
            out.rate = part.rate;
            out.channels = part.channels;
            rateKnown = true;
        }
        if (part.rate != out.rate || part.channels != out.channels) continue;
        // Silence up to the tag's time, when the file leaves a gap.
        const std::int64_t at = tag.timeMs * out.rate / 1000;
        if (at - out.frames() > std::int64_t(kGapMs) * out.rate / 1000 && at <= kMaxDecodedFrames)
            out.samples.resize(size_t(at) * size_t(out.channels), 0);
        if (out.frames() + part.frames() > kMaxDecodedFrames) {
            out.diagnostic = QStringLiteral("the video's sound is too long; the rest is left out");
            break;
        }
        out.samples.insert(out.samples.end(), part.samples.begin(), part.samples.end());
    }
    if (!first && out.diagnostic.isEmpty()) out.diagnostic = QStringLiteral("the video has no sound");
    return out;
}

} // namespace swf::media
