#include "swf/media/stream_decoder.h"

#include "swf/media/codec_audio.h"

#include <algorithm>

namespace swf::media {

StreamDecoder::StreamDecoder(const SoundFormat& format) : m_format(format) {
    if (format.codec == Codec::Mp3) m_mp3 = std::make_unique<Mp3Decoder>();
    if (isCodecAudio(format.codec)) m_codec = std::make_unique<CodecAudioDecoder>(format);
}

StreamDecoder::~StreamDecoder() = default;

void StreamDecoder::restart() {
    m_restarted = true;
    if (m_format.codec == Codec::Mp3) m_mp3 = std::make_unique<Mp3Decoder>();
}

PcmBuffer StreamDecoder::decodeBlock(QByteArrayView block) {
    switch (m_format.codec) {
    case Codec::PcmNative:
    case Codec::PcmLittleEndian:
        return decodePcm(m_format, block);
    case Codec::Adpcm:
        return decodeAdpcm(m_format, block);
    case Codec::Mp3: {
        PcmBuffer out;
        out.rate = m_format.rate;
        out.channels = 2;
        // Each block starts with its sample count and seek samples, then MP3 frames.
        if (block.size() < 4 || !m_mp3) return out;
        m_mp3->feed(block.sliced(4), out);
        if (m_restarted) {
            m_restarted = false;
            const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
            const qint64 seek = std::clamp<qint64>(qint16(bytes[2] | (bytes[3] << 8)), 0, out.frames());
            out.samples.erase(out.samples.begin(), out.samples.begin() + seek * out.channels);
        }
        return out;
    }
    case Codec::Nellymoser:
    case Codec::Nellymoser8k:
    case Codec::Nellymoser16k:
    case Codec::Speex: {
        PcmBuffer out;
        out.rate = codecAudioRate(m_format);
        out.channels = 1;
        if (m_codec) m_codec->feed(block, out);
        return out;
    }
    default: {
        PcmBuffer silent;
        silent.rate = m_format.rate;
        silent.channels = m_format.channels();
        silent.diagnostic =
            QStringLiteral("stream sound coding %1 is not supported").arg(int(m_format.codec));
        return silent;
    }
    }
}

} // namespace swf::media
