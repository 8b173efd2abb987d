// The mixer: event sounds and stream sounds at their own rates, mixed to 44.1 kHz stereo.
// The output device (or the headless renderer) pulls samples; the engine starts, stops and
// feeds sounds from the timeline and from scripts. Safe to call from the output's thread.
#pragma once

#include "swf/format/sound_records.h"
#include "swf/media/pcm_buffer.h"

#include <QtGlobal>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace swf::media {

using format::EnvelopePoint;
using format::SoundInfo;

using SoundRef = std::shared_ptr<const PcmBuffer>;

class Mixer {
  public:
    static constexpr int kRate = 44100;
    // Voices beyond this are not started: a movie starting sounds every frame cannot
    // make mixing cost grow without bound.
    static constexpr int kMaxVoices = 64;
    // A stream queue holds at most this many seconds; more means nobody is pulling.
    static constexpr int kMaxStreamSeconds = 20;

    Mixer();
    ~Mixer();

    // Starts an event sound; returns its voice id, or 0 when not started.
    int startEvent(int soundKey, SoundRef sound, const SoundInfo& info, int offset44 = 0);
    void stopSound(int soundKey);
    void stopVoice(int voiceId);
    bool isSoundPlaying(int soundKey) const;
    bool isVoicePlaying(int voiceId) const;
    // Position of a voice in milliseconds from the sound's start; -1 when it has ended.
    qint64 voicePositionMs(int voiceId) const;
    void setVoiceGain(int voiceId, float left, float right);
    // A playing voice goes on into more of its sound: longer begins as the voice's sound does
    // (a file's sound decoded further while it loads). False when the voice has ended or the
    // sound is not a longer one of the same kind; the caller then starts a new voice.
    bool extendVoice(int voiceId, SoundRef longer);
    void stopAll();

    // Stream sound of one timeline. Its clock counts the 44.1 kHz frames played since the
    // stream started and stands still while nothing is queued.
    // streamAppend queues a block right after what is queued.
    void streamAppend(int streamKey, const PcmBuffer& block);
    // streamPlace queues a block to start atSeconds on the stream's clock: silence fills the
    // time before it, and the part of it already due is cut. A block within slackSeconds of
    // the queue's end follows on without either, so a coding whose blocks do not end exactly
    // on frame times (MP3 frames, rounded sample counts) plays whole; with stretch, it is
    // also resampled (by at most a twentieth) to end where it would have ended placed exactly,
    // so that being a few samples off its frame every block cannot add up.
    void streamPlace(int streamKey, const PcmBuffer& block, double atSeconds, double slackSeconds,
                     bool stretch = false);
    void streamStop(int streamKey);
    bool streamActive(int streamKey) const;
    // Stream samples played so far, in 44.1 kHz frames, since the stream (re)started.
    qint64 streamPlayed44(int streamKey) const;
    qint64 streamQueued44(int streamKey) const;

    void setMasterVolume(float volume); // 0..1
    void setMuted(bool muted);

    // Called (from whichever thread mixes) when an event voice ends by itself.
    void setVoiceEndedHandler(std::function<void(int voiceId)> handler);

    // Mixes frames of 44.1 kHz stereo into out (2 * frames values).
    void mix(qint16* out, int frames);
    qint64 framesMixed() const;

  private:
    struct Voice;
    struct Stream;
    void mixVoice(Voice& voice, std::vector<int>& accumulator, int frames);
    void mixStream(Stream& stream, std::vector<int>& accumulator, int frames);
    Stream& streamFor(int streamKey, const PcmBuffer& block);
    void queueSamples(Stream& stream, std::vector<qint16>::const_iterator begin,
                      std::vector<qint16>::const_iterator end, qint64 silentFrames);

    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<Voice>> m_voices;
    std::vector<std::unique_ptr<Stream>> m_streams;
    std::vector<int> m_accumulator;
    std::function<void(int)> m_voiceEnded;
    int m_nextVoiceId = 1;
    float m_master = 1.0f;
    bool m_muted = false;
    qint64 m_framesMixed = 0;
};

} // namespace swf::media
