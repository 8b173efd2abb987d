// The sound of frames shown on a virtual clock, as the headless renderer writes it: the n-th
// frame shown (counting from 0) sounds from n * 44100 / fps to (n + 1) * 44100 / fps, so a
// sound placed at a frame's time is heard while that frame is on screen.
#pragma once

#include "swf/media/mixer.h"

#include <vector>

namespace swf::media {

class SoundTape {
  public:
    SoundTape(Mixer& mixer, double frameRate);

    // Mixes the sound of the frame now shown, the next after those already recorded.
    void frameShown();
    const std::vector<qint16>& samples() const { return m_samples; } // interleaved stereo
    qint64 frames() const { return qint64(m_samples.size() / 2); }
    // Where the n-th frame shown starts, in 44.1 kHz frames.
    qint64 frameStart(qint64 shown) const;

  private:
    Mixer& m_mixer;
    double m_frameRate;
    qint64 m_shown = 0;
    std::vector<qint16> m_samples;
};

} // namespace swf::media
