#include "swf/media/sound_tape.h"

#include <algorithm>

namespace swf::media {

SoundTape::SoundTape(Mixer& mixer, double frameRate)
    : m_mixer(mixer), m_frameRate(std::max(0.01, frameRate)) {}

// Each frame's start is computed from its number, never by adding up rounded lengths, so
// the tape cannot drift from the picture however long it runs.
qint64 SoundTape::frameStart(qint64 shown) const {
    return qint64(double(shown) * Mixer::kRate / m_frameRate);
}

void SoundTape::frameShown() {
    const qint64 from = frameStart(m_shown);
    const qint64 to = frameStart(++m_shown);
    if (to <= from) return;
    m_samples.resize(size_t(to) * 2);
    m_mixer.mix(m_samples.data() + from * 2, int(to - from));
}

} // namespace swf::media
