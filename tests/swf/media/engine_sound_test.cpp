// Sound in the engine: event sounds started and stopped by the timeline, stream sound
// queued ahead of the playhead and stopped by jumps, pause and unloading, the control
// following the sound when drawing falls behind, and broken sound data.
#include "action_assembler.h"
#include "file_bytes.h"
#include "support/app_fixture.h"
#include "swf_builder.h"

#include "player/shockwave_flash.h"
#include "swf/Player.h"
#include "swf/media/mixer.h"

#include <QTest>

using avm1test::ActionAssembler;
using avm1test::u16;
using swftest::SwfBuilder;

namespace {

constexpr int kDefineSound = 14;
constexpr int kStartSound = 15;
constexpr int kStreamHead = 18;
constexpr int kStreamBlock = 19;
// PCM little-endian, 44 kHz, 16-bit, mono; and the same at 22 kHz.
constexpr quint8 kPcm44Mono = (3 << 4) | (3 << 2) | 2;
constexpr quint8 kPcm22Mono = (3 << 4) | (2 << 2) | 2;

QByteArray pcm(int samples, qint16 value) {
    QByteArray out;
    for (int i = 0; i < samples; ++i)
        out += u16(value);
    return out;
}
QByteArray defineSound(quint16 id, quint8 format, quint32 count, const QByteArray& data) {
    return u16(id) + char(format) + u16(int(count & 0xffff)) + u16(int(count >> 16)) + data;
}
// StartSound with the given SOUNDINFO flags byte (stop 0x20, no-multiple 0x10).
QByteArray startSound(quint16 id, quint8 flags = 0) {
    return u16(id) + char(flags);
}

qint64 energy(swf::media::Mixer& mixer, int frames) {
    std::vector<qint16> out(size_t(frames) * 2);
    mixer.mix(out.data(), frames);
    qint64 sum = 0;
    for (qint16 s : out)
        sum += qAbs(s);
    return sum;
}

} // namespace

class EngineSoundTest : public QObject {
    Q_OBJECT

  private slots:
    void eventSoundStartsAndStops() {
        SwfBuilder builder(6, QSize(100, 100), 10);
        builder.rawTag(kDefineSound, defineSound(1, kPcm44Mono, 44100, pcm(44100, 8000)));
        builder.rawTag(kStartSound, startSound(1));
        builder.showFrame(2);
        builder.rawTag(kStartSound, startSound(1, 0x20)); // stop on frame 2
        builder.showFrame();
        swf::Player player;
        QVERIFY(player.loadBytes(builder.finish()));
        QVERIFY(energy(player.mixer(), 441) > 0); // frame 0 started it
        player.advance();
        player.advance();
        QCOMPARE(player.currentFrame(), 2);
        QCOMPARE(energy(player.mixer(), 441), 0);
    }

    void noMultipleStartsOnce() {
        SwfBuilder builder(6, QSize(100, 100), 10);
        builder.rawTag(kDefineSound, defineSound(1, kPcm44Mono, 44100, pcm(44100, 1000)));
        for (int i = 0; i < 5; ++i) {
            builder.rawTag(kStartSound, startSound(1, 0x10));
            builder.showFrame();
        }
        swf::Player player;
        QVERIFY(player.loadBytes(builder.finish()));
        for (int i = 0; i < 4; ++i)
            player.advance();
        std::vector<qint16> out(2);
        player.mixer().mix(out.data(), 1);
        QCOMPARE(out[0], qint16(1000)); // one voice, not five summed
    }

    void streamQueuedAheadAndStoppedByJumps() {
        SwfBuilder builder(6, QSize(100, 100), 10);
        builder.rawTag(kStreamHead, QByteArray(1, char(kPcm22Mono)) + char(kPcm22Mono) + u16(2205));
        for (int i = 0; i < 40; ++i) {
            builder.rawTag(kStreamBlock, pcm(2205, qint16(100 + i)));
            builder.showFrame();
        }
        swf::Player player;
        QVERIFY(player.loadBytes(builder.finish()));
        QVERIFY(player.streamSoundActive());
        // Half a second ahead at 10 frames a second: at least four frames of sound are waiting.
        const qint64 queued = player.mixer().streamQueued44(1 << 20);
        QVERIFY2(queued >= 4 * 4410, qPrintable(QString::number(queued)));
        std::vector<qint16> out(2);
        player.mixer().mix(out.data(), 1);
        QCOMPARE(out[0], qint16(100)); // frame 0's block comes first
        player.gotoFrame(20);
        QVERIFY(!player.streamSoundActive()); // a jump stops it...
        player.play();
        player.advance();
        QVERIFY(player.streamSoundActive()); // ...until the playhead plays into blocks again
        player.mixer().mix(out.data(), 1);
        QCOMPARE(out[0], qint16(121));
    }

    void controlFollowsTheSound() {
        QTemporaryDir dir;
        SwfBuilder builder(6, QSize(100, 100), 10);
        builder.rawTag(kStreamHead, QByteArray(1, char(kPcm44Mono)) + char(kPcm44Mono) + u16(4410));
        for (int i = 0; i < 100; ++i) {
            builder.rawTag(kStreamBlock, pcm(4410, 500));
            builder.showFrame();
        }
        const QString path = dir.filePath(QStringLiteral("stream.swf"));
        QVERIFY(writeBytes(path, builder.finish()));

        ShockwaveFlash control;
        control.setClockEnabled(false);
        control.setMovie(path);
        AppFixture::settle();
        QVERIFY(control.engine().streamSoundActive());
        // Drawing stalled while the output took 0.3 s of sound: the next turn of the clock
        // catches up by three frames at once, and the sound was never short of blocks.
        std::vector<qint16> out(size_t(13230) * 2);
        control.engine().mixer().mix(out.data(), 13230);
        QVERIFY(std::all_of(out.begin(), out.end(), [](qint16 s) { return s == 500; }));
        control.runClock();
        QCOMPARE(control.FrameNum(), 3);
    }

    void pauseAndUnloadSilence() {
        QTemporaryDir dir;
        SwfBuilder builder(6, QSize(100, 100), 10);
        builder.rawTag(kDefineSound, defineSound(1, kPcm44Mono, 44100, pcm(44100, 2000)));
        builder.rawTag(kStartSound, startSound(1));
        builder.rawTag(kStreamHead, QByteArray(1, char(kPcm44Mono)) + char(kPcm44Mono) + u16(4410));
        for (int i = 0; i < 20; ++i) {
            builder.rawTag(kStreamBlock, pcm(4410, 300));
            builder.showFrame();
        }
        const QString path = dir.filePath(QStringLiteral("both.swf"));
        QVERIFY(writeBytes(path, builder.finish()));
        ShockwaveFlash control;
        control.setClockEnabled(false);
        control.setMovie(path);
        AppFixture::settle();
        std::vector<qint16> out(2);
        control.engine().mixer().mix(out.data(), 1);
        QCOMPARE(out[0], qint16(2300));
        control.Stop(); // pause: the stream stops, the event sound rings on
        control.engine().mixer().mix(out.data(), 1);
        QCOMPARE(out[0], qint16(2000));
        control.setMovie(QString()); // emptying the control silences everything
        control.engine().mixer().mix(out.data(), 1);
        QCOMPARE(out[0], qint16(0));
    }

    void brokenSoundsPlaySilence() {
        SwfBuilder builder(6, QSize(100, 100), 10);
        QByteArray garbage(3000, '\x5a');
        builder.rawTag(kDefineSound, defineSound(1, (2 << 4) | (3 << 2) | 3, 0xFFFFFFFFu, garbage)); // MP3
        builder.rawTag(kDefineSound,
                       defineSound(2, (1 << 4) | (3 << 2) | 3, 0xFFFFFFFFu, QByteArray(1, '\xff')));
        builder.rawTag(kDefineSound, QByteArray("\x03", 1)); // cut short
        builder.rawTag(kStartSound, startSound(1));
        builder.rawTag(kStartSound, startSound(2));
        builder.rawTag(kStartSound, startSound(3));
        builder.rawTag(kStartSound, QByteArray("\x01\x00\xff", 3)); // info flags promise more than is there
        builder.rawTag(kStreamHead, QByteArray("\x00\x20", 2) + u16(100));
        builder.rawTag(kStreamBlock, garbage);
        builder.showFrame(3);
        swf::Player player;
        QVERIFY(player.loadBytes(builder.finish()));
        for (int i = 0; i < 3; ++i)
            player.advance();
        std::vector<qint16> out(size_t(4410) * 2);
        player.mixer().mix(out.data(), 4410); // whatever it is, it is not a crash
        QVERIFY(player.isLoaded());
    }

    // Sound objects: an exported sound attached, started (louder or softer by setVolume),
    // measured, and stopped by the script.
    void soundObjects() {
        SwfBuilder builder(6, QSize(100, 100), 10);
        builder.rawTag(kDefineSound, defineSound(1, kPcm44Mono, 44100, pcm(44100, 8000)));
        builder.rawTag(56, u16(1) + u16(1) + QByteArray("beep", 5)); // ExportAssets
        builder.doAction(ActionAssembler(6,
                                         "'s' 0 'Sound' NewObject SetVariable 'beep' 1 $s 'attachSound' "
                                         "CallMethod Trace $s .duration Trace 0 0 $s 'start' CallMethod Pop")
                             .bytes());
        builder.showFrame();
        builder.doAction(
            ActionAssembler(6, "25 1 $s 'setVolume' CallMethod Pop 0 $s 'getVolume' CallMethod Trace")
                .bytes());
        builder.showFrame();
        builder.doAction(ActionAssembler(6, "0 $s 'stop' CallMethod Pop").bytes());
        builder.showFrame();
        swf::Player player;
        QStringList traces;
        player.setTraceHandler([&traces](const QString& line) { traces << line; });
        QVERIFY(player.loadBytes(builder.finish()));
        const qint64 full = energy(player.mixer(), 441);
        QVERIFY(full > 0);
        player.advance();
        const qint64 soft = energy(player.mixer(), 441);
        QVERIFY2(soft > 0 && soft < full / 2, qPrintable(QStringLiteral("%1 %2").arg(full).arg(soft)));
        player.advance();
        QCOMPARE(energy(player.mixer(), 441), 0);
        QCOMPARE(traces, (QStringList{"true", "1000", "25"}));
    }

    // A pan all the way right silences the left speaker; setTransform can send the sound back
    // left; onSoundComplete runs on the tick after the voice ends, once.
    void soundTransformAndCompletion() {
        SwfBuilder builder(8, QSize(100, 100), 10);
        builder.rawTag(kDefineSound, defineSound(1, kPcm44Mono, 44100, pcm(4410, 8000)));
        builder.rawTag(56, u16(1) + u16(1) + QByteArray("beep", 5));
        builder.doAction(
            ActionAssembler(8, "'s' 0 'Sound' NewObject SetVariable 'beep' 1 $s 'attachSound' "
                               "CallMethod Pop $s 'onSoundComplete' fn() { 'done' Trace } SetMember "
                               "0 0 $s 'start' CallMethod Pop 100 1 $s 'setPan' CallMethod Pop")
                .bytes());
        builder.showFrame();
        builder.doAction(ActionAssembler(8, "'ll' 0 'lr' 100 'rl' 0 'rr' 0 4 InitObject "
                                            "1 $s 'setTransform' CallMethod Pop")
                             .bytes());
        builder.showFrame(3);
        swf::Player player;
        QStringList traces;
        player.setTraceHandler([&traces](const QString& line) { traces << line; });
        QVERIFY(player.loadBytes(builder.finish()));
        auto channels = [&player](int frames) {
            std::vector<qint16> out(size_t(frames) * 2);
            player.mixer().mix(out.data(), frames);
            std::pair<qint64, qint64> sums;
            for (size_t i = 0; i < out.size(); i += 2) {
                sums.first += qAbs(out[i]);
                sums.second += qAbs(out[i + 1]);
            }
            return sums;
        };
        const auto panned = channels(441);
        QCOMPARE(panned.first, 0);
        QVERIFY(panned.second > 0);
        player.advance();
        const auto swapped = channels(441);
        QVERIFY(swapped.first > 0);
        QCOMPARE(swapped.second, 0);
        QVERIFY(traces.isEmpty());
        channels(4410); // past its end
        player.advance();
        player.advance();
        QCOMPARE(traces, QStringList{"done"});
    }
};

QTEST_MAIN(EngineSoundTest)
#include "engine_sound_test.moc"
