// Video from scripts: NetConnection, NetStream playing FLV files beside the movie, and the
// Video objects of the stage's videos (attachVideo, clear, width, height, smoothing...).
#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

namespace swf::avm1 {
class Machine;
class Object;
class PropertyDelegate;
} // namespace swf::avm1
namespace swf::movie {
class MovieDefinition;
}
namespace swf::stage {
class MovieClip;
class VideoInstance;
} // namespace swf::stage

namespace swf::script {

class PlayerPort;
class SoundPort;

class NetStreams {
  public:
    NetStreams(avm1::Machine& machine, const movie::MovieDefinition& movie, PlayerPort& player,
               SoundPort& sounds);
    ~NetStreams();
    NetStreams(const NetStreams&) = delete;
    NetStreams& operator=(const NetStreams&) = delete;

    void install();
    // The script object of a video on the stage, made on first use.
    avm1::Object* objectOf(stage::VideoInstance& video);
    // The first video of that instance name under parent, by depth.
    stage::VideoInstance* videoNamed(stage::MovieClip& parent, const QString& name) const;
    // Once a tick, at the movie's time: plays asked for start, streams move on to the time
    // and their events (onStatus, onMetaData, onCuePoint) run.
    void tick(double nowMs);

    struct Stream;

  private:
    class VideoProperties;
    void installNetConnection();
    void installNetStream();
    void installVideo();
    Stream* streamOf(avm1::Object* object) const;
    stage::VideoInstance* videoOf(avm1::Object* object) const;
    void start(Stream& stream, double nowMs);
    void takeArrived(Stream& stream, double nowMs);
    void takeSound(Stream& stream, double nowMs);
    void refill(Stream& stream, double nowMs);
    void advance(Stream& stream, double nowMs);
    void seek(Stream& stream, double nowMs);
    void status(Stream& stream, const char* code, const char* level);
    void scriptTag(Stream& stream, const QByteArray& body);
    void startSound(Stream& stream);
    void stopSound(Stream& stream);

    avm1::Machine& m_machine;
    const movie::MovieDefinition& m_movie;
    PlayerPort& m_player;
    SoundPort& m_sounds;
    std::unique_ptr<avm1::PropertyDelegate> m_videoProperties;
    avm1::Object* m_videoPrototype = nullptr;
    std::vector<std::shared_ptr<Stream>> m_streams;
    QHash<avm1::Object*, std::weak_ptr<stage::VideoInstance*>> m_videos;
    mutable int m_anyVideo = -1; // whether the movie defines video streams; -1 until asked
    double m_nowMs = 0;
};

} // namespace swf::script
