// Plays the engine's mixer through the default audio device (Qt Multimedia stays out of the
// engine, which only produces samples). Without a device the mixer is still
// drained in real time, so a movie's sound clock runs at the right speed in silence.
#pragma once

#include <QObject>

#include <memory>

namespace swf::media {
class Mixer;
}

class AudioOutput : public QObject {
    Q_OBJECT
  public:
    explicit AudioOutput(swf::media::Mixer& mixer, QObject* parent = nullptr);
    ~AudioOutput() override;

    void start();
    void stop();
    bool hasDevice() const;

    // One level for every movie's sound, in percent (0 silences); outputs apply it to the
    // samples as they pull them, so a change is heard at once.
    static void setVolume(int percent);
    static int volume();
    static void applyVolume(qint16* samples, qsizetype count, int percent);
    bool isRunning() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
