#include "swf/media/sound_format.h"

#include "swf/media/codec_audio.h"
#include "swf/media/mp3_decoder.h"

#include <algorithm>

namespace swf::media {

PcmBuffer decodeSound(const SoundFormat& format, QByteArrayView data, quint32 sampleCount) {
    PcmBuffer out;
    switch (format.codec) {
    case Codec::PcmNative:
    case Codec::PcmLittleEndian:
        out = decodePcm(format, data);
        break;
    case Codec::Adpcm:
        out = decodeAdpcm(format, data);
        break;
    case Codec::Mp3: {
        if (data.size() < 2) return decodeMp3Sound({}, 0, 0, format.rate, format.channels());
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
        const int seekSamples = qint16(bytes[0] | (bytes[1] << 8));
        return decodeMp3Sound(data.sliced(2), seekSamples, sampleCount, format.rate, format.channels());
    }
    case Codec::Nellymoser:
    case Codec::Nellymoser8k:
    case Codec::Nellymoser16k:
    case Codec::Speex:
        out = decodeCodecAudio(format, data);
        break;
    default:
        out.rate = format.rate;
        out.channels = format.channels();
        out.diagnostic =
            QStringLiteral("sound coding %1 is not supported; it plays as silence").arg(int(format.codec));
        return out;
    }
    if (sampleCount > 0 && std::int64_t(sampleCount) < out.frames())
        out.samples.resize(size_t(sampleCount) * size_t(out.channels));
    return out;
}

} // namespace swf::media
