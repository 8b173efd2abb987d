#include "swf/media/stream_decoder.h"

#include "swf/media/codec_audio.h"

namespace swf::media {

StreamDecoder::StreamDecoder(const SoundFormat& format) : m_format(format) {
    if (format.codec == Codec::Mp3) m_mp3 = std::make_unique<Mp3Decoder>();
    if (isCodecAudio(format.codec)) m_codec = std::make_unique<CodecAudioDecoder>(format);
}

StreamDecoder::~StreamDecoder() = default;

void StreamDecoder::restart() {
    if (m_format.codec == Codec::Mp3) m_mp3 = std::make_unique<Mp3Decoder>();
}

StreamBlockSound StreamDecoder::decodeBlock(QByteArrayView block) {
    StreamBlockSound out;
    switch (m_format.codec) {
    case Codec::PcmNative:
    case Codec::PcmLittleEndian:
        out.samples = decodePcm(m_format, block);
        break;
    case Codec::Adpcm:
        out.samples = decodeAdpcm(m_format, block);
        break;
    case Codec::Mp3: {
        out.samples.rate = m_format.rate;
        out.samples.channels = 2;
        // Each block starts with its sample count and seek samples, then MP3 frames.
        if (block.size() < 4 || !m_mp3) break;
        m_mp3->feed(block.sliced(4), out.samples);
        const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
        out.leadIn = qint16(bytes[2] | (bytes[3] << 8));
        break;
    }
    case Codec::Nellymoser:
    case Codec::Nellymoser8k:
    case Codec::Nellymoser16k:
    case Codec::Speex:
        out.samples.rate = codecAudioRate(m_format);
        out.samples.channels = 1;
        if (m_codec) m_codec->feed(block, out.samples);
        break;
    default:
        out.samples.rate = m_format.rate;
        out.samples.channels = m_format.channels();
        out.samples.diagnostic =
            QStringLiteral("stream sound coding %1 is not supported").arg(int(m_format.codec));
        break;
    }
    return out;
}

} // namespace swf::media
