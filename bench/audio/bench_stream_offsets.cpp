// Stream sound against its frames over four minutes: movies whose stream carries a loud
// marker at the start of a block every two seconds, played through the headless renderer's
// sound (as vantrel-render --wav writes it) and through the player control with an
// imitation output that pulls 2-6 ms at a time (time is what it has pulled). For each it
// prints the largest offset between a marked block's sound and the time its frame is shown:
// on the tape, the frame's slot; in the control, the moment the frame came on screen (known
// to the pull's size, so the figure carries up to 6 ms of measuring error).
#include "player/shockwave_flash.h"
#include "stream_sound.h"
#include "swf/Player.h"
#include "swf/media/mixer.h"
#include "swf/media/sound_tape.h"

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

using swftest::SoundCoding;

namespace {

constexpr int kSeconds = 240;

struct Scenario {
    const char* name;
    SoundCoding coding;
    int rate;
    bool stereo;
    double fps;
    int startFrame;   // the stream's first block
    int pauseSeconds; // blocks missing for this long every minute
    bool rounded;     // blocks of the frame's share rounded down
};

// The offset furthest from 0, signed: negative when the sound comes before its frame.
struct Offsets {
    double worstMs = 0;
    int measured = 0;
    int missing = 0;
    void add(qint64 offset44) {
        const double ms = double(offset44) * 1000 / swf::media::Mixer::kRate;
        if (std::abs(ms) > std::abs(worstMs)) worstMs = ms;
        ++measured;
    }
};

qint64 onsetNear(const std::vector<qint16>& sound, qint64 at) {
    return swftest::markerOnset(sound, at - swf::media::Mixer::kRate, at + swf::media::Mixer::kRate);
}

Offsets tapeOffsets(const QByteArray& movie, const std::vector<int>& markers, int frames) {
    Offsets offsets;
    swf::Player player;
    if (!player.loadBytes(movie)) return offsets;
    swf::media::SoundTape tape(player.mixer(), player.frameRate());
    tape.frameShown();
    for (int shown = 1; shown < frames; ++shown) {
        player.advance();
        tape.frameShown();
    }
    for (int marked : markers) {
        const qint64 due = tape.frameStart(marked);
        const qint64 onset = onsetNear(tape.samples(), due);
        if (onset < 0)
            ++offsets.missing;
        else
            offsets.add(onset - due);
    }
    return offsets;
}

Offsets controlOffsets(const QString& path, const std::vector<int>& markers, int frames) {
    Offsets offsets;
    qint64 pulled = 0;
    ShockwaveFlash control;
    control.setTimeSourceForTesting([&] { return pulled * 1000 / swf::media::Mixer::kRate; });
    control.setClockEnabled(false);
    control.setMovie(path);
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
    QRandomGenerator random(5);
    std::vector<qint16> sound;
    std::vector<qint64> shownAt(size_t(frames), -1); // when each frame came on screen
    shownAt[0] = 0;
    const qint64 limit =
        (qint64(frames) / qint64(control.engine().frameRate()) + 10) * swf::media::Mixer::kRate;
    while (control.FrameNum() + 2 < frames && pulled < limit) {
        const int take = int(random.bounded(88, 265));
        sound.resize(sound.size() + size_t(2 * take));
        control.engine().mixer().mix(sound.data() + sound.size() - size_t(2 * take), take);
        pulled += take;
        control.runClock();
        for (int f = std::min(control.FrameNum(), frames - 1); f >= 0 && shownAt[size_t(f)] < 0; --f)
            shownAt[size_t(f)] = pulled;
    }
    for (int marked : markers) {
        const qint64 shown = shownAt[size_t(marked)];
        const qint64 onset = shown < 0 ? -1 : onsetNear(sound, shown);
        if (onset < 0)
            ++offsets.missing;
        else
            offsets.add(onset - shown);
    }
    return offsets;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Scenario scenarios[] = {
        {"44.1 kHz stereo MP3, 25 fps", SoundCoding::Mp3, 44100, true, 25, 0, 0, false},
        {"22 kHz mono MP3, 24 fps", SoundCoding::Mp3, 22050, false, 24, 0, 0, false},
        {"11 kHz mono ADPCM, 12 fps", SoundCoding::Adpcm, 11025, false, 12, 0, 0, false},
        {"11 kHz mono PCM, 12 fps, blocks rounded down", SoundCoding::Pcm, 11025, false, 12, 0, 0, true},
        {"22 kHz mono MP3, 25 fps, first block on frame 50", SoundCoding::Mp3, 22050, false, 25, 50, 0,
         false},
        {"22 kHz mono ADPCM, 12 fps, 4 s without blocks every minute", SoundCoding::Adpcm, 22050, false, 12,
         0, 4, false},
    };
    QTemporaryDir dir;
    for (const Scenario& scenario : scenarios) {
        const int frames = scenario.startFrame + int(scenario.fps * kSeconds) + 2;
        std::vector<bool> hasBlock(size_t(frames), false);
        for (int f = scenario.startFrame; f < frames - 2; ++f) {
            const double second = (f - scenario.startFrame) / scenario.fps;
            const bool paused =
                scenario.pauseSeconds > 0 && std::fmod(second, 60.0) >= 60.0 - scenario.pauseSeconds;
            hasBlock[size_t(f)] = !paused;
        }
        // A marker every two seconds on a block whose next frame has one too.
        std::vector<int> markers;
        for (int f = scenario.startFrame + 3; f + 2 < frames; f += int(2 * scenario.fps))
            while (f + 2 < frames) {
                if (hasBlock[size_t(f)] && hasBlock[size_t(f + 1)]) {
                    markers.push_back(f);
                    break;
                }
                ++f;
            }
        const swftest::StreamTrack track =
            swftest::markedTrack(scenario.coding, scenario.rate, scenario.stereo, scenario.fps, hasBlock,
                                 markers, scenario.rounded);
        QString why;
        const auto movie = swftest::streamMovie(track, scenario.fps, &why);
        if (!movie) {
            std::printf("%s: skipped (%s)\n", scenario.name, qPrintable(why));
            continue;
        }
        const QString path = dir.filePath(QStringLiteral("stream.swf"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return 1;
        file.write(*movie);
        file.close();
        const Offsets tape = tapeOffsets(*movie, markers, frames);
        const Offsets control = controlOffsets(path, markers, frames);
        const double frameMs = 1000 / scenario.fps;
        std::printf("%s, 4:00: --wav worst %+.1f ms (%+.2f frames) over %d marked blocks%s; "
                    "control worst %+.1f ms (%+.2f frames) over %d%s\n",
                    scenario.name, tape.worstMs, tape.worstMs / frameMs, tape.measured,
                    tape.missing ? qPrintable(QStringLiteral(", %1 not found").arg(tape.missing)) : "",
                    control.worstMs, control.worstMs / frameMs, control.measured,
                    control.missing ? qPrintable(QStringLiteral(", %1 not found").arg(control.missing)) : "");
        std::fflush(stdout);
    }
    return 0;
}
