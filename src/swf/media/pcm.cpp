#include "swf/media/sound_format.h"

#include <algorithm>

namespace swf::media {

PcmBuffer decodePcm(const SoundFormat& format, QByteArrayView data) {
    PcmBuffer out;
    out.rate = format.rate;
    out.channels = format.channels();
    const int bytesPerSample = format.is16Bit ? 2 : 1;
    std::int64_t count = data.size() / bytesPerSample;
    count -= count % out.channels;
    count = std::min<std::int64_t>(count, kMaxDecodedFrames * out.channels);
    out.samples.resize(size_t(count));
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    for (std::int64_t i = 0; i < count; ++i) {
        if (format.is16Bit)
            out.samples[size_t(i)] = std::int16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        else // 8-bit samples are unsigned around 128
            out.samples[size_t(i)] = std::int16_t((int(bytes[i]) - 128) << 8);
    }
    return out;
}

} // namespace swf::media
