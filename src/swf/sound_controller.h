// The movie's sound: starts and stops event sounds as timelines enter frames, feeds each
// timeline's stream sound to the mixer block by block, each at the time of the frame that
// holds it, and tells how far the root's stream has played so the player can follow it.
#pragma once

#include "swf/format/sounds.h"
#include "swf/media/mixer.h"
#include "swf/media/stream_decoder.h"
#include "swf/script/sound_port.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace swf::movie {
class MovieDefinition;
struct SoundCharacter;
class Timeline;
struct Frame;
} // namespace swf::movie

namespace swf {

class SoundController final : public script::SoundPort {
  public:
    explicit SoundController(media::Mixer& mixer);
    ~SoundController() override;

    void setMovie(const movie::MovieDefinition* movie);
    // The player's tick (frames advanced since the movie started) now running: a frame
    // entered in tick n is shown n / fps seconds after the start.
    void setTick(quint64 tick) { m_tick = tick; }
    // A sprite's timeline (identified by key) entered frame by playing into it.
    void frameEntered(quint64 timelineKey, const movie::Frame& frame, bool isRoot);
    // The root entered frame: its event sounds start, and its stream sound is kept queued
    // some frames ahead of it (read from the frames to come), so a slow frame never
    // starves the sound.
    void rootEntered(const movie::Timeline& root, int frame, int framesLoaded);
    // Frames of stream sound kept queued ahead of the root's playhead.
    int lookaheadFrames() const { return m_lookahead; }
    // A timeline jumped: its stream sound stops, to start again with the next block.
    void timelineJumped(quint64 timelineKey);
    void stopAll();

    bool rootStreamActive() const;
    qint64 rootStreamPlayed44() const;
    // The tick whose time the root's stream sound has reached, with the fraction of it;
    // meaningful while the stream is active.
    double rootStreamTick() const;
    // Sounds that could not be played, for the diagnostics list.
    QStringList takeDiagnostics();

    // script::SoundPort: scripts' Sound objects.
    int startVoice(int soundId, double offsetSeconds, int loops) override;
    void stopVoice(int voice) override { m_mixer.stopVoice(voice); }
    void stopVoicesOf(int soundId) override { m_mixer.stopSound(soundId); }
    void stopEverySound() override { m_mixer.stopAll(); }
    void setVoiceGain(int voice, double left, double right) override {
        m_mixer.setVoiceGain(voice, float(left), float(right));
    }
    double voicePositionMs(int voice) override { return double(m_mixer.voicePositionMs(voice)); }
    double soundDurationMs(int soundId) override;
    bool voicePlaying(int voice) override { return m_mixer.isVoicePlaying(voice); }
    int startPcmVoice(std::shared_ptr<const media::PcmBuffer> sound, double offsetSeconds) override;
    bool extendPcmVoice(int voice, std::shared_ptr<const media::PcmBuffer> longer) override {
        return m_mixer.extendVoice(voice, std::move(longer));
    }

  private:
    const movie::SoundCharacter* soundOf(int soundId) const;
    void startSound(const format::StartSoundRecord& record);
    // dueTick: the tick in which the frame holding the tags will be entered.
    void runTags(quint64 key, const movie::Frame& frame, bool events, bool stream, quint64 dueTick);
    void streamHead(quint64 key, const format::SoundStreamHeadRecord& head);
    void streamBlock(quint64 key, const QByteArray& body, quint64 dueTick);

    // A timeline's stream: its decoder, the tick at which its sound's clock started, and
    // whether the decoder has yet to give a block since it (re)started.
    struct Stream {
        std::unique_ptr<media::StreamDecoder> decoder;
        quint64 startTick = 0;
        bool fresh = true;
    };

    media::Mixer& m_mixer;
    const movie::MovieDefinition* m_movie = nullptr;
    std::map<quint64, Stream> m_streams;
    QStringList m_diagnostics;
    double m_frameRate = 12;
    quint64 m_tick = 0;
    int m_lookahead = 12;
    int m_rootNext = -1; // next root frame whose stream blocks are to be queued
    int m_rootFrame = -1;
};

// Stream keys in the mixer: the timeline's key, offset so they never meet sound ids.
int streamKeyOf(quint64 timelineKey);

} // namespace swf
