// A sound's coding as the movie declares it, and the decoders for a whole sound.
#pragma once

#include "swf/audio/pcm_buffer.h"

#include <QByteArrayView>

namespace swf::audio {

enum class Codec : int {
    PcmNative = 0, // written on little-endian machines by every authoring tool of the era
    Adpcm = 1,
    Mp3 = 2,
    PcmLittleEndian = 3,
    Nellymoser16k = 4,
    Nellymoser8k = 5,
    Nellymoser = 6,
    Speex = 11,
};

struct SoundFormat {
    Codec codec = Codec::PcmNative;
    int rate = 44100;
    bool is16Bit = true;
    bool stereo = false;
    int channels() const { return stereo ? 2 : 1; }
};

// From the format byte of DefineSound and the sound stream heads:
// codec in the top four bits, then rate, sample size and channels.
SoundFormat parseFormatByte(quint8 byte);

// Decodes a whole sound (DefineSound's data). sampleCount is the declared count per
// channel and only trims; it is never trusted for allocation. Unsupported codings and
// broken data give silence (no samples) with a diagnostic, never noise.
PcmBuffer decodeSound(const SoundFormat& format, QByteArrayView data, quint32 sampleCount);

// The individual decoders, for the stream decoder and the tests.
PcmBuffer decodePcm(const SoundFormat& format, QByteArrayView data);
PcmBuffer decodeAdpcm(const SoundFormat& format, QByteArrayView data);

} // namespace swf::audio
