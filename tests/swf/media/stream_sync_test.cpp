// Stream sound in step with the picture: each block sounds at its frame's time whatever frame
// the stream starts on, after pauses without blocks and over minutes of blocks that do not
// add up to their frames' time, at the rates, channel counts and codings movies stream in;
// in the headless renderer's sound and in the player control that follows the sound.
#include "stream_sound.h"
#include "support/app_fixture.h"
#include "swf_builder.h"

#include "player/shockwave_flash.h"
#include "swf/Player.h"
#include "swf/media/mixer.h"
#include "swf/media/sound_tape.h"

#include <QTest>

using swftest::SoundCoding;

namespace {

struct Timeline {
    std::vector<bool> hasBlock;
    std::vector<int> markers;
};

// Blocks from startFrame for runSeconds, none for pauseSeconds, then blocks for runSeconds
// again (the pause left out when 0); markers a few frames into each run and near the end.
Timeline timeline(double fps, int startFrame, int runSeconds, int pauseSeconds) {
    const int run = int(fps * runSeconds);
    const int pause = int(fps * pauseSeconds);
    Timeline out;
    out.hasBlock.assign(size_t(startFrame), false);
    out.hasBlock.resize(out.hasBlock.size() + size_t(run), true);
    out.markers.push_back(startFrame + 5);
    if (pause > 0) {
        out.hasBlock.resize(out.hasBlock.size() + size_t(pause), false);
        out.markers.push_back(int(out.hasBlock.size()) + 3);
        out.hasBlock.resize(out.hasBlock.size() + size_t(run), true);
    }
    out.markers.push_back(int(out.hasBlock.size()) - int(fps) - 2);
    out.hasBlock.resize(out.hasBlock.size() + 2, false); // the last marker ends inside the movie
    return out;
}

void rows(bool all) {
    QTest::addColumn<int>("coding");
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("stereo");
    QTest::addColumn<double>("fps");
    QTest::addColumn<int>("startFrame");
    QTest::addColumn<int>("runSeconds");
    QTest::addColumn<int>("pauseSeconds");
    QTest::addColumn<bool>("rounded");
    const int pcm = int(SoundCoding::Pcm), adpcm = int(SoundCoding::Adpcm), mp3 = int(SoundCoding::Mp3);
    // A stream starting on frame 50 and pausing for four seconds, at each rate and coding.
    QTest::newRow("pcm 44k stereo 25 fps") << pcm << 44100 << true << 25.0 << 50 << 3 << 4 << false;
    QTest::newRow("mp3 22k mono 24 fps") << mp3 << 22050 << false << 24.0 << 50 << 3 << 4 << false;
    QTest::newRow("adpcm 5.5k mono 12 fps") << adpcm << 5512 << false << 12.0 << 50 << 3 << 4 << false;
    if (!all) return;
    QTest::newRow("pcm 5.5k stereo 15 fps") << pcm << 5512 << true << 15.0 << 50 << 3 << 4 << false;
    QTest::newRow("adpcm 11k stereo 12 fps") << adpcm << 11025 << true << 12.0 << 50 << 3 << 4 << false;
    QTest::newRow("adpcm 22k mono 24 fps") << adpcm << 22050 << false << 24.0 << 50 << 3 << 4 << false;
    QTest::newRow("adpcm 44k stereo 30 fps") << adpcm << 44100 << true << 30.0 << 50 << 3 << 4 << false;
    QTest::newRow("mp3 11k mono 12 fps") << mp3 << 11025 << false << 12.0 << 50 << 3 << 4 << false;
    QTest::newRow("mp3 22k stereo 18 fps") << mp3 << 22050 << true << 18.0 << 50 << 3 << 4 << false;
    QTest::newRow("mp3 44k stereo 25 fps") << mp3 << 44100 << true << 25.0 << 50 << 3 << 4 << false;
    QTest::newRow("mp3 44k mono 30 fps") << mp3 << 44100 << false << 30.0 << 50 << 3 << 4 << false;
    // Blocks a fraction of a sample short of their frame, three minutes from the first frame.
    QTest::newRow("pcm 11k rounded blocks 12 fps") << pcm << 11025 << false << 12.0 << 0 << 180 << 0 << true;
    QTest::newRow("adpcm 22k rounded blocks 24 fps")
        << adpcm << 22050 << false << 24.0 << 0 << 180 << 0 << true;
}

// The current row's movie and its timeline; nothing, and why, where this machine cannot code it.
std::optional<QByteArray> rowMovie(Timeline& frames, QString* why) {
    QFETCH(int, coding);
    QFETCH(int, rate);
    QFETCH(bool, stereo);
    QFETCH(double, fps);
    QFETCH(int, startFrame);
    QFETCH(int, runSeconds);
    QFETCH(int, pauseSeconds);
    QFETCH(bool, rounded);
    frames = timeline(fps, startFrame, runSeconds, pauseSeconds);
    return swftest::streamMovie(swftest::markedTrack(SoundCoding(coding), rate, stereo, fps, frames.hasBlock,
                                                     frames.markers, rounded),
                                fps, why);
}

} // namespace

class StreamSyncTest : public QObject {
    Q_OBJECT

  private slots:
    void blocksSoundAtTheirFramesTime_data() { rows(true); }

    // The headless renderer's sound: the n-th frame shown sounds from n / fps seconds.
    void blocksSoundAtTheirFramesTime() {
        Timeline frames;
        QString why;
        const auto bytes = rowMovie(frames, &why);
        if (!bytes) QSKIP(qPrintable(why));
        swf::Player player;
        QVERIFY(player.loadBytes(*bytes));
        swf::media::SoundTape tape(player.mixer(), player.frameRate());
        tape.frameShown();
        for (size_t shown = 1; shown < frames.hasBlock.size(); ++shown) {
            player.advance();
            tape.frameShown();
        }
        const qint64 frame44 = qint64(swf::media::Mixer::kRate / player.frameRate());
        for (int marked : frames.markers) {
            const qint64 due = tape.frameStart(marked);
            const qint64 onset = swftest::markerOnset(tape.samples(), due - 44100, due + 44100);
            QVERIFY2(onset >= 0, qPrintable(QStringLiteral("frame %1's sound is missing").arg(marked)));
            QVERIFY2(std::abs(onset - due) <= frame44,
                     qPrintable(QStringLiteral("frame %1 sounds %2 ms off its time")
                                    .arg(marked)
                                    .arg((onset - due) * 1000.0 / swf::media::Mixer::kRate)));
        }
    }

    void controlShowsTheFrameOfTheSound_data() { rows(false); }

    // The control follows the sound the output pulls: when a marked block is pulled, its frame
    // is the one on screen (give or take one).
    void controlShowsTheFrameOfTheSound() {
        Timeline frames;
        QString why;
        const auto bytes = rowMovie(frames, &why);
        if (!bytes) QSKIP(qPrintable(why));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("stream.swf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(*bytes);
        file.close();

        // The output pulls 10 ms at a time, and time is what it has pulled.
        qint64 pulled = 0;
        ShockwaveFlash control;
        control.setTimeSourceForTesting([&] { return pulled * 1000 / swf::media::Mixer::kRate; });
        control.setClockEnabled(false);
        control.setMovie(path);
        AppFixture::settle();
        constexpr int kChunk = 441;
        std::vector<qint16> sound;
        std::vector<int> shown; // the frame on screen during each chunk
        while (control.FrameNum() + 1 < int(frames.hasBlock.size()) && pulled < 44100LL * 60) {
            sound.resize(sound.size() + 2 * kChunk);
            control.engine().mixer().mix(sound.data() + sound.size() - 2 * kChunk, kChunk);
            shown.push_back(control.FrameNum());
            pulled += kChunk;
            control.runClock();
        }
        for (int marked : frames.markers) {
            const qint64 onset = swftest::markerOnset(sound, 0, qint64(sound.size() / 2));
            QVERIFY2(onset >= 0, qPrintable(QStringLiteral("frame %1's sound is missing").arg(marked)));
            const int onScreen = shown[size_t(onset / kChunk)];
            QVERIFY2(
                std::abs(onScreen - marked) <= 1,
                qPrintable(
                    QStringLiteral("frame %1 sounds while frame %2 is shown").arg(marked).arg(onScreen)));
            // Past this marker's two frames for the next search.
            std::fill(sound.begin(),
                      sound.begin() + std::min<qint64>(qint64(sound.size()), 2 * (onset + 44100)), 0);
        }
    }
};

QTEST_MAIN(StreamSyncTest)
#include "stream_sync_test.moc"
