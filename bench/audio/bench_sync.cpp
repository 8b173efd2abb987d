// Stream sound against the picture over three minutes: a movie whose stream sound lasts
// 3:00 plays in the movie control, an imitation audio device takes the sound in uneven
// chunks, and drawing stalls now and then (up to 0.4 s). At the end it prints how far the
// frame shown is from the frame the sound has reached.
#include "player/shockwave_flash.h"
#include "swf/Player.h"
#include "swf/media/mixer.h"
#include "swf_builder.h"

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    constexpr int kFps = 25;
    constexpr int kSeconds = 180;
    constexpr int kRate = 11025;
    constexpr quint8 kPcm11Mono8 = (3 << 4) | (1 << 2); // PCM, 11 kHz, 8-bit, mono
    swftest::SwfBuilder builder(6, QSize(320, 240), kFps);
    char head[4];
    qToLittleEndian(quint16(kRate / kFps), head + 2);
    head[0] = char(kPcm11Mono8);
    head[1] = char(kPcm11Mono8);
    builder.rawTag(18, QByteArray(head, 4));
    qint64 written = 0;
    for (int frame = 0; frame < kFps * kSeconds; ++frame) {
        const qint64 due = qint64(frame + 1) * kRate / kFps;
        QByteArray block;
        for (qint64 i = written; i < due; ++i)
            block += char(128 + int(60 * std::sin(i * 0.05)));
        written = due;
        builder.rawTag(19, block);
        builder.showFrame();
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sync.swf"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(builder.finish());
    file.close();

    ShockwaveFlash control;
    control.setClockEnabled(false);
    control.setMovie(path);
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    QRandomGenerator random(11);
    std::vector<qint16> chunk(8192 * 2);
    qint64 pulled = 0;
    double worst = 0;
    int skippedTurns = 0;
    while (pulled < qint64(kSeconds) * swf::media::Mixer::kRate && control.engine().streamSoundActive()) {
        // The device takes 256..2048 frames at a time; every so often drawing stalls and
        // the clock does not run while it takes up to 0.4 s.
        int take = int(random.bounded(256, 2048));
        if (random.bounded(100) == 0) {
            take = int(random.bounded(2048, 17640));
            ++skippedTurns;
        }
        for (int left = take; left > 0; left -= 8192) {
            const int n = std::min(left, 8192);
            control.engine().mixer().mix(chunk.data(), n);
        }
        pulled += take;
        control.runClock();
        const double soundFrame =
            double(control.engine().streamSoundPlayed44()) * kFps / swf::media::Mixer::kRate;
        worst = std::max(worst, std::abs(soundFrame - control.FrameNum()));
    }
    const double soundFrame =
        double(control.engine().streamSoundPlayed44()) * kFps / swf::media::Mixer::kRate;
    const double endError = soundFrame - control.FrameNum();
    std::printf("sync seconds=%.1f frame=%d sound_frame=%.2f end_error_ms=%.1f worst_after_stall_ms=%.1f "
                "stalls=%d\n",
                double(pulled) / swf::media::Mixer::kRate, control.FrameNum(), soundFrame,
                endError * 1000 / kFps, worst * 1000 / kFps, skippedTurns);
    return 0;
}
