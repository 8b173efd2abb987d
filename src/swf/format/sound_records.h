// The sound records every sound tag shares: a sound's coding as the movie declares it, and
// how one start of an event sound plays (SOUNDINFO with its envelope).
#pragma once

#include <QtGlobal>

#include <optional>
#include <vector>

namespace swf::format {

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

struct EnvelopePoint {
    quint32 position44 = 0; // in 44.1 kHz samples from the sound's start
    quint16 left = 32768;   // 0 silent .. 32768 full
    quint16 right = 32768;
};

struct SoundInfo {
    bool stop = false;       // this start stops the sound instead
    bool noMultiple = false; // do not start it again while it plays
    std::optional<quint32> inPoint44;
    std::optional<quint32> outPoint44;
    int loops = 1;
    std::vector<EnvelopePoint> envelope;
};

} // namespace swf::format
