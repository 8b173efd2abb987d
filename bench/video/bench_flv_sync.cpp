// An FLV played through NetStream against its own sound over a minute: the movie control
// plays a 12 fps movie whose Video shows a 25 fps FLV with 22 kHz sound, an imitation audio
// device takes the sound in uneven chunks, the control's clock runs 0.5 % slow against the
// device (as a timer and a sound card drift apart) and drawing stalls now and then (up to
// 0.4 s). Every
// sample carries its own position, so the sound reaching the device is read from the output
// itself, and the picture on show from its colour. Prints how far apart they
// are at worst and at the end.
#include "action_assembler.h"
#include "player/shockwave_flash.h"
#include "swf/Player.h"
#include "swf/media/mixer.h"
#include "video_clips.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

using namespace swftest;
using namespace avm1test;

namespace {

constexpr int kSeconds = 60;
constexpr int kVideoFps = 25;
constexpr int kMovieFps = 12;
constexpr int kRate = 22050;
constexpr int kFrameMs = 1000 / kVideoFps;
constexpr int kSamplesPerStep = 4; // each sample's value is its position / 4 ...
constexpr int kValueWrap = 30000;  // ... wrapping here (about 5.4 s)
// Each picture is one colour, its hue this much on from the one before.
constexpr int kHueStep = 7;

qint16 valueAt(qint64 sample) {
    return qint16((sample / kSamplesPerStep) % kValueWrap);
}

QByteArray buildFlv() {
    const QSize size(32, 32);
    std::vector<QImage> pictures;
    for (int i = 0; i < kSeconds * kVideoFps; ++i) {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(QColor::fromHsv((i * kHueStep) % 360, 220, 220));
        pictures.push_back(picture);
    }
    const EncodedClip clip = encodeClip(2, pictures, kVideoFps * 2);
    if (!clip.error.isEmpty()) return {};
    FlvWriter flv(true, true);
    constexpr quint8 kPcm22Mono16 = (3 << 4) | (2 << 2) | (1 << 1);
    qint64 written = 0;
    for (int i = 0; i < int(clip.packets.size()); ++i) {
        const qint64 due = qint64(i + 1) * kRate / kVideoFps;
        QByteArray sound(1, char(kPcm22Mono16));
        for (; written < due; ++written) {
            const qint16 v = valueAt(written);
            sound += char(v & 0xff);
            sound += char((v >> 8) & 0xff);
        }
        flv.tag(8, qint64(i) * kFrameMs, sound);
        flv.tag(9, qint64(i) * kFrameMs,
                char(((clip.keyFrames[size_t(i)] ? 1 : 2) << 4) | 2) + clip.packets[size_t(i)]);
    }
    return flv.bytes();
}

QByteArray buildMovie() {
    SwfBuilder movie(8, QSize(64, 64), kMovieFps);
    Place place;
    place.characterId = movie.defineVideoStream(0, QSize(32, 32), 2);
    place.name = QStringLiteral("video");
    movie.place(place);
    ActionAssembler onFrame(8), script(8);
    onFrame.push({"ns"}).op(ActionCode::GetVariable).push({"decodedFrames"}).op(ActionCode::GetMember);
    onFrame.op(ActionCode::Trace);
    script.push({"nc", 0, "NetConnection"}).op(ActionCode::NewObject).op(ActionCode::SetVariable);
    script.push({PushValue::null(), 1, "nc"}).op(ActionCode::GetVariable).push({"connect"});
    script.op(ActionCode::CallMethod).op(ActionCode::Pop);
    script.push({"ns", "nc"}).op(ActionCode::GetVariable).push({1, "NetStream"}).op(ActionCode::NewObject);
    script.op(ActionCode::SetVariable);
    script.push({"ns"}).op(ActionCode::GetVariable).push({1, "video"}).op(ActionCode::GetVariable);
    script.push({"attachVideo"}).op(ActionCode::CallMethod).op(ActionCode::Pop);
    script.push({"sync.flv", 1, "ns"}).op(ActionCode::GetVariable).push({"play"});
    script.op(ActionCode::CallMethod).op(ActionCode::Pop);
    script.push({"_root"}).op(ActionCode::GetVariable).push({"onEnterFrame"});
    script.defineFunction({}, {}, onFrame).op(ActionCode::SetMember);
    script.push({"_root"}).op(ActionCode::GetVariable).push({0, "stop"}).op(ActionCode::CallMethod);
    movie.doAction(script.bytes());
    movie.showFrame();
    return movie.finish();
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray flv = buildFlv();
    if (flv.isEmpty()) {
        std::printf("flv_sync: this libavcodec has no H.263 encoder\n");
        return 1;
    }
    QFile flvFile(dir.filePath(QStringLiteral("sync.flv"))),
        movieFile(dir.filePath(QStringLiteral("sync.swf")));
    flvFile.open(QIODevice::WriteOnly);
    flvFile.write(flv);
    flvFile.close();
    movieFile.open(QIODevice::WriteOnly);
    movieFile.write(buildMovie());
    movieFile.close();

    ShockwaveFlash control;
    control.setClockEnabled(false);
    double deviceMs = 0;
    // The control's clock runs 0.5 % slow against the device. A stall is a long wait before
    // the control's next turn, while the device takes a large chunk.
    double controlMs = 0;
    control.setTimeSourceForTesting([&controlMs] { return qint64(controlMs); });
    int decoded = 0;
    control.engine().setTraceHandler(
        [&decoded](const QString& line) { decoded = std::max(decoded, line.toInt()); });
    control.setMovie(movieFile.fileName());
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();

    QRandomGenerator random(7);
    std::vector<qint16> chunk(8192 * 2);
    double worst = 0, last = 0;
    int stalls = 0, measured = 0;
    while (deviceMs < kSeconds * 1000.0 - 500) {
        int take = int(random.bounded(256, 2048));
        bool stall = false;
        if (random.bounded(100) == 0) {
            take = int(random.bounded(2048, 17640));
            stall = true;
            ++stalls;
        }
        qint16 lastValue = 0;
        for (int left = take; left > 0; left -= 8192) {
            const int n = std::min(left, 8192);
            control.engine().mixer().mix(chunk.data(), n);
            lastValue = chunk[size_t(2 * n - 2)];
        }
        const double takenMs = take * 1000.0 / swf::media::Mixer::kRate;
        deviceMs += takenMs;
        controlMs += takenMs * 0.995;
        control.runClock();
        if (decoded <= 0) continue;
        // The sound just handed to the device, from its own samples: the position nearest
        // the device's clock that gives this value.
        const double estimate = deviceMs * kRate / 1000.0;
        const qint64 period = qint64(kValueWrap) * kSamplesPerStep;
        const qint64 base = qint64(estimate) - qint64(estimate) % period;
        double best = 1e18;
        for (const qint64 candidate : {base - period, base, base + period}) {
            const double position = double(candidate + qint64(lastValue) * kSamplesPerStep);
            if (std::abs(position - estimate) < std::abs(best - estimate)) best = position;
        }
        const double heardMs = best * 1000.0 / kRate;
        // The picture on show, by its colour: the one near the sound's that has that hue.
        QImage shown(64, 64, QImage::Format_ARGB32_Premultiplied);
        shown.fill(Qt::black);
        {
            QPainter painter(&shown);
            control.engine().render(painter, QTransform::fromScale(0.05, 0.05), swf::Quality::Low);
        }
        const int hue = QColor(shown.pixel(16, 16)).hsvHue();
        const int near = int(heardMs / kFrameMs);
        int picture = -1, closest = 360;
        for (int i = std::max(0, near - 60); i <= near + 60; ++i) {
            const int d = std::abs(((i * kHueStep) % 360) - hue);
            if (std::min(d, 360 - d) < closest) closest = std::min(d, 360 - d), picture = i;
        }
        const double shownMs = double(picture) * kFrameMs;
        last = shownMs - heardMs;
        if (qEnvironmentVariableIsSet("FLV_SYNC_DEBUG"))
            std::printf("%.0f %.0f %.0f %d\n", deviceMs, heardMs, shownMs, stall);
        if (deviceMs > 1000) {
            worst = std::max(worst, std::abs(last));
            ++measured;
        }
    }
    std::printf(
        "flv_sync seconds=%.1f movie_frame_ms=%.1f video_frame_ms=%d end_offset_ms=%.1f worst_offset_ms=%.1f "
        "stalls=%d measured=%d clock_drift=0.5%%\n",
        deviceMs / 1000.0, 1000.0 / kMovieFps, kFrameMs, last, worst, stalls, measured);
    return 0;
}
