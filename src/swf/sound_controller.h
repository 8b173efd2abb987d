// The movie's sound: starts and stops event sounds as timelines enter frames, feeds each
// timeline's stream sound to the mixer block by block, and tells how far the root's stream
// has played so the player can follow it.
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

  private:
    const movie::SoundCharacter* soundOf(int soundId) const;
    void startSound(const format::StartSoundRecord& record);
    void runTags(quint64 key, const movie::Frame& frame, bool events, bool stream);
    void streamHead(quint64 key, const format::SoundStreamHeadRecord& head);
    void streamBlock(quint64 key, const QByteArray& body);

    media::Mixer& m_mixer;
    const movie::MovieDefinition* m_movie = nullptr;
    std::map<quint64, std::unique_ptr<media::StreamDecoder>> m_streams;
    QStringList m_diagnostics;
    int m_lookahead = 12;
    int m_rootNext = -1; // next root frame whose stream blocks are to be queued
    int m_rootFrame = -1;
};

// Stream keys in the mixer: the timeline's key, offset so they never meet sound ids.
int streamKeyOf(quint64 timelineKey);

} // namespace swf
