// The movie's sound: starts and stops event sounds as timelines enter frames, feeds each
// timeline's stream sound to the mixer block by block, and tells how far the root's stream
// has played so the player can follow it.
#pragma once

#include "swf/audio/mixer.h"
#include "swf/audio/stream_decoder.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

namespace swf::movie {
class MovieDefinition;
struct Frame;
}

namespace swf {

class SoundController {
public:
    explicit SoundController(audio::Mixer& mixer);
    ~SoundController();

    void setMovie(const movie::MovieDefinition* movie);
    // A timeline (identified by key: the root is 0) entered frame by playing into it.
    void frameEntered(quint64 timelineKey, const movie::Frame& frame, bool isRoot);
    // A timeline jumped: its stream sound stops, to start again with the next block.
    void timelineJumped(quint64 timelineKey);
    void stopAll();

    bool rootStreamActive() const;
    qint64 rootStreamPlayed44() const;
    // Sounds that could not be played, for the diagnostics list.
    QStringList takeDiagnostics();

private:
    void startSound(int tagCode, const QByteArray& body);
    void streamHead(quint64 key, const QByteArray& body);
    void streamBlock(quint64 key, const QByteArray& body);

    audio::Mixer& m_mixer;
    const movie::MovieDefinition* m_movie = nullptr;
    std::map<quint64, std::unique_ptr<audio::StreamDecoder>> m_streams;
    QStringList m_diagnostics;
};

// Stream keys in the mixer: the timeline's key, offset so they never meet sound ids.
int streamKeyOf(quint64 timelineKey);

}  // namespace swf
