#include "swf/media/mixer.h"

#include <algorithm>
#include <cmath>

namespace swf::media {

struct Mixer::Voice {
    int id = 0;
    int soundKey = 0;
    SoundRef sound;
    SoundInfo info;
    double position = 0; // in source frames
    double start = 0;    // in point, source frames
    double end = 0;      // out point (exclusive), source frames
    double step = 1;     // source frames per output frame
    int loopsLeft = 1;
    qint64 played44 = 0; // output frames in the current loop, for the envelope
    float gainLeft = 1, gainRight = 1;
    bool finished = false;
};

struct Mixer::Stream {
    int key = 0;
    int rate = kRate;
    int channels = 1;
    std::deque<qint16> samples; // source rate, interleaved
    double position = 0;        // fraction into the first queued frame
    qint64 played44 = 0;
};

Mixer::Mixer() = default;
Mixer::~Mixer() = default;

int Mixer::startEvent(int soundKey, SoundRef sound, const SoundInfo& info, int offset44) {
    if (!sound || sound->channels < 1 || sound->channels > 2 || sound->rate <= 0) return 0;
    std::lock_guard lock(m_mutex);
    if (info.noMultiple) {
        for (const auto& voice : m_voices)
            if (voice->soundKey == soundKey && !voice->finished) return 0;
    }
    if (int(m_voices.size()) >= kMaxVoices) return 0;
    auto voice = std::make_unique<Voice>();
    voice->id = m_nextVoiceId++;
    voice->soundKey = soundKey;
    voice->sound = std::move(sound);
    voice->info = info;
    const double toSource = exactRate(voice->sound->rate) / kRate;
    const double total = double(voice->sound->frames());
    voice->start = std::clamp(info.inPoint44.value_or(0) * toSource, 0.0, total);
    voice->end = info.outPoint44 ? std::clamp(*info.outPoint44 * toSource, voice->start, total) : total;
    voice->step = toSource;
    voice->position = std::clamp(voice->start + std::max(0, offset44) * toSource, voice->start, voice->end);
    voice->played44 = std::max(0, offset44);
    voice->loopsLeft = std::clamp(info.loops, 1, 65535);
    const int id = voice->id;
    m_voices.push_back(std::move(voice));
    return id;
}

bool Mixer::extendVoice(int voiceId, SoundRef longer) {
    if (!longer) return false;
    std::lock_guard lock(m_mutex);
    for (const auto& voice : m_voices) {
        if (voice->id != voiceId) continue;
        const PcmBuffer& now = *voice->sound;
        if (voice->finished || voice->info.outPoint44 || longer->rate != now.rate ||
            longer->channels != now.channels || longer->frames() < now.frames())
            return false;
        voice->sound = std::move(longer);
        voice->end = double(voice->sound->frames());
        return true;
    }
    return false;
}

void Mixer::stopSound(int soundKey) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_voices, [&](const auto& voice) { return voice->soundKey == soundKey; });
}

void Mixer::stopVoice(int voiceId) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_voices, [&](const auto& voice) { return voice->id == voiceId; });
}

bool Mixer::isSoundPlaying(int soundKey) const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_voices.begin(), m_voices.end(),
                       [&](const auto& voice) { return voice->soundKey == soundKey && !voice->finished; });
}

bool Mixer::isVoicePlaying(int voiceId) const {
    return voicePositionMs(voiceId) >= 0;
}

qint64 Mixer::voicePositionMs(int voiceId) const {
    std::lock_guard lock(m_mutex);
    for (const auto& voice : m_voices)
        if (voice->id == voiceId && !voice->finished)
            return qint64(voice->position * 1000.0 / exactRate(voice->sound->rate));
    return -1;
}

void Mixer::setVoiceGain(int voiceId, float left, float right) {
    std::lock_guard lock(m_mutex);
    for (auto& voice : m_voices)
        if (voice->id == voiceId) {
            voice->gainLeft = std::clamp(left, 0.0f, 4.0f);
            voice->gainRight = std::clamp(right, 0.0f, 4.0f);
        }
}

void Mixer::stopAll() {
    std::lock_guard lock(m_mutex);
    m_voices.clear();
    m_streams.clear();
}

namespace {

// The block resampled to frames frames, linearly: a change of a few samples in a thousand
// cannot be heard, where a gap or a cut of as many would click.
std::vector<qint16> stretched(const PcmBuffer& block, qint64 frames) {
    const int channels = block.channels;
    const qint64 source = block.frames();
    std::vector<qint16> out(size_t(frames) * size_t(channels));
    const double step = frames > 1 ? double(source - 1) / double(frames - 1) : 0.0;
    for (qint64 i = 0; i < frames; ++i) {
        const double position = double(i) * step;
        const qint64 index = std::min<qint64>(qint64(position), source - 1);
        const qint64 next = std::min<qint64>(index + 1, source - 1);
        const double fraction = position - double(index);
        for (int c = 0; c < channels; ++c) {
            const qint16 a = block.samples[size_t(index * channels + c)];
            const qint16 b = block.samples[size_t(next * channels + c)];
            out[size_t(i * channels + c)] = qint16(std::lround(a + (b - a) * fraction));
        }
    }
    return out;
}

} // namespace

Mixer::Stream& Mixer::streamFor(int streamKey, const PcmBuffer& block) {
    Stream* stream = nullptr;
    for (auto& candidate : m_streams)
        if (candidate->key == streamKey) stream = candidate.get();
    if (!stream) {
        m_streams.push_back(std::make_unique<Stream>());
        stream = m_streams.back().get();
        stream->key = streamKey;
    }
    if (stream->rate != block.rate || stream->channels != block.channels) {
        // A new layout starts the queue afresh; mixing old and new frames would garble both.
        stream->samples.clear();
        stream->position = 0;
        stream->rate = block.rate;
        stream->channels = block.channels;
    }
    return *stream;
}

void Mixer::queueSamples(Stream& stream, std::vector<qint16>::const_iterator begin,
                         std::vector<qint16>::const_iterator end, qint64 silentFrames) {
    const size_t limit = size_t(kMaxStreamSeconds) * size_t(stream.rate) * size_t(stream.channels);
    const size_t silence = size_t(std::max<qint64>(0, silentFrames)) * size_t(stream.channels);
    if (stream.samples.size() + silence + size_t(end - begin) > limit) return;
    stream.samples.insert(stream.samples.end(), silence, qint16(0));
    stream.samples.insert(stream.samples.end(), begin, end);
}

void Mixer::streamAppend(int streamKey, const PcmBuffer& block) {
    if (block.channels < 1 || block.channels > 2 || block.rate <= 0 || block.samples.empty()) return;
    std::lock_guard lock(m_mutex);
    Stream& stream = streamFor(streamKey, block);
    queueSamples(stream, block.samples.begin(), block.samples.end(), 0);
}

void Mixer::streamPlace(int streamKey, const PcmBuffer& block, double atSeconds, double slackSeconds,
                        bool stretch) {
    if (block.channels < 1 || block.channels > 2 || block.rate <= 0 || block.samples.empty()) return;
    std::lock_guard lock(m_mutex);
    Stream& stream = streamFor(streamKey, block);
    const double rate = exactRate(stream.rate);
    const double queued = double(stream.samples.size() / size_t(stream.channels)) - stream.position;
    const double end = double(stream.played44) / kRate + std::max(0.0, queued) / rate;
    const double gap = atSeconds - end; // < 0: the block starts before the queue ends
    // Slack is for following on: a block that starts a queue afresh goes where it belongs.
    if (queued <= 0) slackSeconds = 0;
    if (gap > slackSeconds) {
        queueSamples(stream, block.samples.begin(), block.samples.end(), std::llround(gap * rate));
    } else if (gap < -slackSeconds) {
        const qint64 cut = std::min<qint64>(std::llround(-gap * rate), block.frames());
        queueSamples(stream, block.samples.begin() + cut * block.channels, block.samples.end(), 0);
    } else if (const qint64 frames = block.frames() + std::llround(gap * rate);
               stretch && frames != block.frames() &&
               std::abs(frames - block.frames()) <= block.frames() / 20) {
        const std::vector<qint16> fitted = stretched(block, frames);
        queueSamples(stream, fitted.begin(), fitted.end(), 0);
    } else {
        queueSamples(stream, block.samples.begin(), block.samples.end(), 0);
    }
}

void Mixer::streamStop(int streamKey) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_streams, [&](const auto& stream) { return stream->key == streamKey; });
}

bool Mixer::streamActive(int streamKey) const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_streams.begin(), m_streams.end(),
                       [&](const auto& s) { return s->key == streamKey; });
}

qint64 Mixer::streamPlayed44(int streamKey) const {
    std::lock_guard lock(m_mutex);
    for (const auto& stream : m_streams)
        if (stream->key == streamKey) return stream->played44;
    return 0;
}

qint64 Mixer::streamQueued44(int streamKey) const {
    std::lock_guard lock(m_mutex);
    for (const auto& stream : m_streams)
        if (stream->key == streamKey)
            return qint64(double(stream->samples.size() / size_t(stream->channels)) * kRate /
                          exactRate(stream->rate));
    return 0;
}

void Mixer::setMasterVolume(float volume) {
    std::lock_guard lock(m_mutex);
    m_master = std::clamp(volume, 0.0f, 1.0f);
}

void Mixer::setMuted(bool muted) {
    std::lock_guard lock(m_mutex);
    m_muted = muted;
}

void Mixer::setVoiceEndedHandler(std::function<void(int)> handler) {
    std::lock_guard lock(m_mutex);
    m_voiceEnded = std::move(handler);
}

qint64 Mixer::framesMixed() const {
    std::lock_guard lock(m_mutex);
    return m_framesMixed;
}

namespace {

// Linear interpolation between neighbouring source frames.
inline void sampleAt(const qint16* data, qint64 frames, int channels, double position, int& left,
                     int& right) {
    const qint64 index = qint64(position);
    const double fraction = position - double(index);
    const qint64 next = std::min(index + 1, frames - 1);
    const qint16* a = data + index * channels;
    const qint16* b = data + next * channels;
    left = int(a[0] + (b[0] - a[0]) * fraction);
    right = channels == 2 ? int(a[1] + (b[1] - a[1]) * fraction) : left;
}

// Envelope levels at a position, interpolated between points.
void envelopeAt(const std::vector<EnvelopePoint>& points, qint64 position44, double& left, double& right) {
    if (points.empty()) {
        left = right = 1.0;
        return;
    }
    if (position44 <= qint64(points.front().position44)) {
        left = points.front().left / 32768.0;
        right = points.front().right / 32768.0;
        return;
    }
    for (size_t i = 1; i < points.size(); ++i) {
        const EnvelopePoint& a = points[i - 1];
        const EnvelopePoint& b = points[i];
        if (position44 <= qint64(b.position44)) {
            const double span = double(b.position44) - double(a.position44);
            const double t = span > 0 ? (double(position44) - a.position44) / span : 1.0;
            left = (a.left + (b.left - a.left) * t) / 32768.0;
            right = (a.right + (b.right - a.right) * t) / 32768.0;
            return;
        }
    }
    left = points.back().left / 32768.0;
    right = points.back().right / 32768.0;
}

} // namespace

void Mixer::mixVoice(Voice& voice, std::vector<int>& accumulator, int frames) {
    const PcmBuffer& sound = *voice.sound;
    const qint64 total = sound.frames();
    for (int i = 0; i < frames && !voice.finished; ++i) {
        if (voice.position >= voice.end || total == 0) {
            if (--voice.loopsLeft <= 0 || voice.end <= voice.start) {
                voice.finished = true;
                break;
            }
            voice.position = voice.start;
            voice.played44 = 0;
        }
        int left = 0;
        int right = 0;
        sampleAt(sound.samples.data(), total, sound.channels, voice.position, left, right);
        double envelopeLeft = 1.0;
        double envelopeRight = 1.0;
        envelopeAt(voice.info.envelope, voice.played44, envelopeLeft, envelopeRight);
        accumulator[size_t(2 * i)] += int(left * envelopeLeft * voice.gainLeft);
        accumulator[size_t(2 * i + 1)] += int(right * envelopeRight * voice.gainRight);
        voice.position += voice.step;
        ++voice.played44;
    }
}

void Mixer::mixStream(Stream& stream, std::vector<int>& accumulator, int frames) {
    const double step = exactRate(stream.rate) / kRate;
    const int channels = stream.channels;
    for (int i = 0; i < frames; ++i) {
        const size_t available = stream.samples.size() / size_t(channels);
        if (available == 0) break; // starved: silence, and the stream's clock stands still
        const qint16 a0 = stream.samples[0];
        const qint16 a1 = channels == 2 ? stream.samples[1] : a0;
        const qint16 b0 = available > 1 ? stream.samples[size_t(channels)] : a0;
        const qint16 b1 = available > 1 ? (channels == 2 ? stream.samples[3] : b0) : a1;
        accumulator[size_t(2 * i)] += int(a0 + (b0 - a0) * stream.position);
        accumulator[size_t(2 * i + 1)] += int(a1 + (b1 - a1) * stream.position);
        stream.position += step;
        ++stream.played44;
        while (stream.position >= 1.0 && stream.samples.size() >= size_t(channels)) {
            stream.samples.erase(stream.samples.begin(), stream.samples.begin() + channels);
            stream.position -= 1.0;
        }
    }
}

void Mixer::mix(qint16* out, int frames) {
    if (frames <= 0) return;
    std::vector<int> finishedVoices;
    std::function<void(int)> ended;
    {
        std::lock_guard lock(m_mutex);
        m_accumulator.assign(size_t(frames) * 2, 0);
        for (auto& voice : m_voices)
            mixVoice(*voice, m_accumulator, frames);
        for (auto& stream : m_streams)
            mixStream(*stream, m_accumulator, frames);
        for (const auto& voice : m_voices)
            if (voice->finished) finishedVoices.push_back(voice->id);
        std::erase_if(m_voices, [](const auto& voice) { return voice->finished; });
        const float gain = m_muted ? 0.0f : m_master;
        // Sums of loud sounds saturate instead of wrapping round into noise.
        for (size_t i = 0; i < m_accumulator.size(); ++i)
            out[i] = qint16(std::clamp(int(m_accumulator[i] * gain), -32768, 32767));
        m_framesMixed += frames;
        ended = m_voiceEnded;
    }
    if (ended)
        for (int id : finishedVoices)
            ended(id);
}

} // namespace swf::media
