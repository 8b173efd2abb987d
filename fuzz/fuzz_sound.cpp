// Sound data of every coding through the decoders, the stream decoder and the mixer.
// The first byte chooses the coding, rate and layout; the rest is the sound.
#include "swf/audio/mixer.h"
#include "swf/audio/sound_format.h"
#include "swf/audio/stream_decoder.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const swf::audio::SoundFormat format = swf::audio::parseFormatByte(data[0]);
    const QByteArrayView body(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    auto sound = std::make_shared<swf::audio::PcmBuffer>(swf::audio::decodeSound(format, body, data[1] * 1000u));
    swf::audio::StreamDecoder stream(format);
    swf::audio::Mixer mixer;
    for (qsizetype at = 0; at < body.size(); at += 97) mixer.streamAppend(1, stream.decodeBlock(body.sliced(at, std::min<qsizetype>(97, body.size() - at))));
    swf::audio::SoundInfo info;
    info.loops = data[1] % 4 + 1;
    info.inPoint44 = data[1] * 13u;
    mixer.startEvent(2, sound, info);
    std::vector<qint16> out(4096 * 2);
    mixer.mix(out.data(), 4096);
    return 0;
}
