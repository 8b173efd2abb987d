// The movie format's ADPCM: packets of 4096 samples per channel, each starting with a
// 16-bit sample and a 6-bit step index, then 2- to 5-bit codes of the IMA kind.
#include "swf/media/sound_format.h"

#include <algorithm>

namespace swf::media {
namespace {

constexpr int kStepSizes[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int kIndexShift2[2] = {-1, 2};
constexpr int kIndexShift3[4] = {-1, -1, 2, 4};
constexpr int kIndexShift4[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kIndexShift5[16] = {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16};
constexpr int kSamplesPerPacket = 4096;

// Bits most significant first; reading past the end sets a sticky flag and yields 0.
class BitReader {
  public:
    explicit BitReader(QByteArrayView data) : m_data(data) {}
    unsigned ubits(int count) {
        unsigned value = 0;
        for (int i = 0; i < count; ++i) {
            if (m_bit >= qint64(m_data.size()) * 8) {
                m_failed = true;
                return 0;
            }
            const unsigned byte = static_cast<unsigned char>(m_data[qsizetype(m_bit >> 3)]);
            value = (value << 1) | ((byte >> (7 - (m_bit & 7))) & 1u);
            ++m_bit;
        }
        return value;
    }
    int sbits(int count) {
        const unsigned value = ubits(count);
        const unsigned sign = 1u << (count - 1);
        return int(value ^ sign) - int(sign);
    }
    bool failed() const { return m_failed; }
    qint64 bitsLeft() const { return qint64(m_data.size()) * 8 - m_bit; }

  private:
    QByteArrayView m_data;
    qint64 m_bit = 0;
    bool m_failed = false;
};

struct Channel {
    int sample = 0;
    int index = 0;
};

const int* indexShifts(int bits) {
    switch (bits) {
    case 2:
        return kIndexShift2;
    case 3:
        return kIndexShift3;
    case 4:
        return kIndexShift4;
    default:
        return kIndexShift5;
    }
}

void step(Channel& channel, unsigned code, int bits) {
    const unsigned signBit = 1u << (bits - 1);
    int stepSize = kStepSizes[channel.index];
    int difference = 0;
    for (unsigned mask = signBit >> 1; mask != 0; mask >>= 1) {
        if (code & mask) difference += stepSize;
        stepSize >>= 1;
    }
    difference += stepSize;
    channel.sample += (code & signBit) ? -difference : difference;
    channel.sample = std::clamp(channel.sample, -32768, 32767);
    channel.index = std::clamp(channel.index + indexShifts(bits)[code & (signBit - 1)], 0, 88);
}

} // namespace

PcmBuffer decodeAdpcm(const SoundFormat& format, QByteArrayView data) {
    PcmBuffer out;
    out.rate = format.rate;
    out.channels = format.channels();
    BitReader reader(data);
    const int bits = int(reader.ubits(2)) + 2;
    const int channels = out.channels;
    Channel state[2];
    // A packet header needs 22 bits per channel; stop when not even that is left.
    while (reader.bitsLeft() >= 22 * channels && !reader.failed() && out.frames() < kMaxDecodedFrames) {
        for (int c = 0; c < channels; ++c) {
            state[c].sample = reader.sbits(16);
            state[c].index = int(reader.ubits(6));
        }
        if (reader.failed()) break;
        for (int c = 0; c < channels; ++c)
            out.samples.push_back(std::int16_t(state[c].sample));
        for (int i = 1; i < kSamplesPerPacket; ++i) {
            unsigned codes[2];
            for (int c = 0; c < channels; ++c)
                codes[c] = reader.ubits(bits);
            // The last packet ends early; padding bits of the final byte are not samples.
            if (reader.failed()) break;
            for (int c = 0; c < channels; ++c) {
                step(state[c], codes[c], bits);
                out.samples.push_back(std::int16_t(state[c].sample));
            }
        }
    }
    return out;
}

} // namespace swf::media
