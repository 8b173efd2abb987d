// Decoded sound: 16-bit samples, interleaved when stereo, at the sound's own rate.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace swf::media {

// The rates a movie's sound formats name: 5.5, 11, 22 and 44 kHz.
inline constexpr int kRates[4] = {5512, 11025, 22050, 44100};
// The rate a sound plays at: 5.5 kHz is a quarter of 22,050 Hz exactly, which the table's
// whole numbers round down; played at 5,512 Hz a sound falls behind its picture by a third
// of a second an hour.
inline constexpr double exactRate(int rate) {
    return rate == kRates[0] ? 44100.0 / 8 : double(rate);
}
// Decoding stops here: about 25 minutes of 44 kHz stereo, far beyond any movie of the era.
inline constexpr std::int64_t kMaxDecodedFrames = 44100LL * 60 * 25;

struct PcmBuffer {
    int rate = 44100;
    int channels = 1;
    std::vector<std::int16_t> samples; // frames * channels values
    QString diagnostic;                // why the sound is short or silent, empty when fine

    std::int64_t frames() const { return channels > 0 ? std::int64_t(samples.size()) / channels : 0; }
};

} // namespace swf::media
