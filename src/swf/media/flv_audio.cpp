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

FlvAudioDecoder::FlvAudioDecoder() = default;
FlvAudioDecoder::~FlvAudioDecoder() = default;

void FlvAudioDecoder::feed(const format::FlvTag& tag) {
    if (m_stopped || tag.type != format::FlvTagType::Audio || tag.body.isEmpty()) return;
    const quint8 formatByte = quint8(tag.body[0]);
    const int coding = formatByte >> 4;
    if (!m_first) m_first = formatByte;
    if (formatByte != *m_first) return;
    if (coding == kAac) {
        feedAac(tag);
        return;
    }
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
        if (!m_mp3) m_mp3 = std::make_unique<Mp3Decoder>();
        m_mp3->feed(body, part);
        break;
    default:
        if (!isCodecAudio(format.codec)) break;
        if (!m_codec) m_codec = std::make_unique<CodecAudioDecoder>(format);
        m_codec->feed(body, part);
        break;
    }
    append(tag.timeMs, part);
}

void FlvAudioDecoder::feedAac(const format::FlvTag& tag) {
    // After the format byte, a packet type: 0 the decoder's configuration, 1 coded frames.
    if (tag.body.size() < 2) return;
    const QByteArrayView payload = QByteArrayView(tag.body).sliced(2);
    if (tag.body[1] == 0) {
        if (!m_codec) {
            m_codec = CodecAudioDecoder::aac(payload);
            if (!m_codec->isSupported()) {
                m_out.diagnostic = QStringLiteral("the video's AAC sound could not be set up");
                m_stopped = true;
            }
        }
        return;
    }
    if (!m_codec) return; // frames before their configuration cannot be decoded
    PcmBuffer part;
    m_codec->feed(payload, part);
    append(tag.timeMs, part);
}

void FlvAudioDecoder::append(qint64 timeMs, const PcmBuffer& part) {
    if (part.samples.empty()) return;
    if (!m_rateKnown) {
        m_out.rate = part.rate;
        m_out.channels = part.channels;
        m_rateKnown = true;
    }
    if (part.rate != m_out.rate || part.channels != m_out.channels) return;
    // Silence up to the tag's time, when the file leaves a gap.
    const std::int64_t at = timeMs * m_out.rate / 1000;
    if (at - m_out.frames() > std::int64_t(kGapMs) * m_out.rate / 1000 && at <= kMaxDecodedFrames)
        m_out.samples.resize(size_t(at) * size_t(m_out.channels), 0);
    if (m_out.frames() + part.frames() > kMaxDecodedFrames) {
        m_out.diagnostic = QStringLiteral("the video's sound is too long; the rest is left out");
        m_stopped = true;
        return;
    }
    m_out.samples.insert(m_out.samples.end(), part.samples.begin(), part.samples.end());
}

void FlvAudioDecoder::finish() {
    if (!m_first && m_out.diagnostic.isEmpty()) m_out.diagnostic = QStringLiteral("the video has no sound");
}

PcmBuffer decodeFlvAudio(const std::vector<format::FlvTag>& tags) {
    FlvAudioDecoder decoder;
    for (const format::FlvTag& tag : tags)
        decoder.feed(tag);
    decoder.finish();
    return decoder.sound();
}

} // namespace swf::media
