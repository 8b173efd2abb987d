#include "player/audio_output.h"

#include "swf/media/mixer.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>

#include <algorithm>
#include <atomic>

using swf::media::Mixer;

namespace {

std::atomic<int>& volumeLevel() {
    static std::atomic<int> level{100};
    return level;
}

// The device pulls mixed samples from here.
class MixerDevice : public QIODevice {
  public:
    explicit MixerDevice(Mixer& mixer) : m_mixer(mixer) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return 4096 + QIODevice::bytesAvailable(); }

  protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const int frames = int(std::min<qint64>(maxSize / 4, 8192));
        if (frames <= 0) return 0;
        m_mixer.mix(reinterpret_cast<qint16*>(data), frames);
        AudioOutput::applyVolume(reinterpret_cast<qint16*>(data), qsizetype(frames) * 2,
                                 volumeLevel().load());
        return qint64(frames) * 4;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    Mixer& m_mixer;
};

constexpr int kNullTickMs = 20;

} // namespace

struct AudioOutput::Impl {
    explicit Impl(Mixer& m) : mixer(m) {}
    Mixer& mixer;
    std::unique_ptr<QAudioSink> sink;
    std::unique_ptr<MixerDevice> device;
    QTimer nullClock;
    QElapsedTimer nullTime;
    qint64 nullFrames = 0;
    std::vector<qint16> scratch;
    bool running = false;
};

AudioOutput::AudioOutput(Mixer& mixer, QObject* parent) : QObject(parent), d(std::make_unique<Impl>(mixer)) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (!device.isNull()) {
        QAudioFormat format;
        format.setSampleRate(Mixer::kRate);
        format.setChannelCount(2);
        format.setSampleFormat(QAudioFormat::Int16);
        if (device.isFormatSupported(format)) {
            d->sink = std::make_unique<QAudioSink>(device, format);
            d->sink->setBufferSize(Mixer::kRate / 10 * 4); // 100 ms: low latency, no underruns
        }
    }
    // No device: drain the mixer by the wall clock so the sound clock still advances.
    d->nullClock.setInterval(kNullTickMs);
    d->nullClock.setTimerType(Qt::PreciseTimer);
    connect(&d->nullClock, &QTimer::timeout, this, [this] {
        const qint64 due = d->nullTime.elapsed() * Mixer::kRate / 1000;
        const int frames = int(std::min<qint64>(due - d->nullFrames, Mixer::kRate));
        if (frames <= 0) return;
        d->scratch.resize(size_t(frames) * 2);
        d->mixer.mix(d->scratch.data(), frames);
        d->nullFrames += frames;
    });
}

AudioOutput::~AudioOutput() {
    stop();
}

void AudioOutput::setVolume(int percent) {
    volumeLevel().store(std::clamp(percent, 0, 100));
}

int AudioOutput::volume() {
    return volumeLevel().load();
}

void AudioOutput::applyVolume(qint16* samples, qsizetype count, int percent) {
    if (percent >= 100) return;
    // A square law: equal steps of the level sound like equal steps of loudness.
    const int gain = std::clamp(percent, 0, 100) * std::clamp(percent, 0, 100); // of 10,000
    for (qsizetype i = 0; i < count; ++i)
        samples[i] = qint16(qint32(samples[i]) * gain / 10000);
}

bool AudioOutput::hasDevice() const {
    return d->sink != nullptr;
}
bool AudioOutput::isRunning() const {
    return d->running;
}

void AudioOutput::start() {
    if (d->running) return;
    d->running = true;
    if (d->sink) {
        d->device = std::make_unique<MixerDevice>(d->mixer);
        d->sink->start(d->device.get());
        if (d->sink->error() == QAudio::NoError) return;
        d->sink.reset();
    }
    d->nullTime.start();
    d->nullFrames = 0;
    d->nullClock.start();
}

void AudioOutput::stop() {
    if (!d->running) return;
    d->running = false;
    if (d->sink) d->sink->stop();
    d->device.reset();
    d->nullClock.stop();
}
