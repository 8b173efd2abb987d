// Sound decoding and mixing: each coding against known signals, event sound options,
// stream queues, saturation, and broken data playing as silence.
#include "swf/media/mixer.h"
#include "swf/media/sound_format.h"
#include "swf/media/stream_decoder.h"
#include "swf/media/wav_writer.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <numbers>

using namespace swf::media;

namespace {

std::vector<qint16> sine(int rate, double hz, int frames, double amplitude = 12000) {
    std::vector<qint16> out(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        out[size_t(i)] = qint16(std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate)));
    return out;
}

// Signal-to-noise ratio of a decoded signal against the original, in dB.
double snr(const std::vector<qint16>& original, const std::vector<qint16>& decoded, size_t offset = 0) {
    double signal = 0, noise = 0;
    const size_t n = std::min(original.size(), decoded.size() - std::min(decoded.size(), offset));
    for (size_t i = 0; i < n; ++i) {
        signal += double(original[i]) * original[i];
        const double e = double(original[i]) - decoded[i + offset];
        noise += e * e;
    }
    return noise == 0 ? 200 : 10 * std::log10(signal / noise);
}

// An ADPCM encoder written from the coding's description, for round trips.
struct BitWriter {
    QByteArray bytes;
    int bits = 0;
    void put(unsigned value, int count) {
        for (int i = count - 1; i >= 0; --i, ++bits) {
            if (bits % 8 == 0) bytes.append('\0');
            if ((value >> i) & 1) bytes[bits / 8] = char(bytes[bits / 8] | (0x80 >> bits % 8));
        }
    }
};

QByteArray encodeAdpcm(const std::vector<qint16>& mono, int bits) {
    static const int steps[89] = {
        7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
        31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
        130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
        544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
        2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
        9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static const std::vector<std::vector<int>> shifts = {
        {-1, 2},
        {-1, -1, 2, 4},
        {-1, -1, -1, -1, 2, 4, 6, 8},
        {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16}};
    BitWriter writer;
    writer.put(unsigned(bits - 2), 2);
    int predicted = 0, index = 0;
    for (size_t i = 0; i < mono.size(); ++i) {
        if (i % 4096 == 0) {
            predicted = mono[i];
            writer.put(unsigned(quint16(qint16(predicted))), 16);
            writer.put(unsigned(index), 6);
            continue;
        }
        const unsigned signBit = 1u << (bits - 1);
        int difference = mono[i] - predicted;
        unsigned code = 0;
        if (difference < 0) {
            code = signBit;
            difference = -difference;
        }
        int step = steps[index];
        int decoded = 0;
        for (unsigned mask = signBit >> 1; mask; mask >>= 1) {
            if (difference >= step) {
                code |= mask;
                difference -= step;
                decoded += step;
            }
            step >>= 1;
        }
        decoded += step;
        predicted = std::clamp(predicted + ((code & signBit) ? -decoded : decoded), -32768, 32767);
        index = std::clamp(index + shifts[size_t(bits - 2)][code & (signBit - 1)], 0, 88);
        writer.put(code, bits);
    }
    return writer.bytes;
}

PcmBuffer monoBuffer(std::vector<qint16> samples, int rate = 44100) {
    PcmBuffer buffer;
    buffer.rate = rate;
    buffer.channels = 1;
    buffer.samples = std::move(samples);
    return buffer;
}

std::vector<qint16> mixFrames(Mixer& mixer, int frames) {
    std::vector<qint16> out(size_t(frames) * 2);
    mixer.mix(out.data(), frames);
    return out;
}

} // namespace

class AudioTest : public QObject {
    Q_OBJECT

  private slots:
    // The format byte: coding in the high nibble, then rate, sample size and channels; PCM
    // samples of either size come out as signed 16-bit.
    void formatByte_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<int>>("samples");
        QTest::newRow("pcm 16-bit little-endian 44k mono")
            << 0x3E << 44100 << QByteArray("\x01\x00\xff\x7f\x00\x80", 6) << QList<int>{1, 32767, -32768};
        QTest::newRow("pcm 8-bit unsigned 5.5k mono")
            << 0x30 << 5512 << QByteArray("\x80\xff\x00", 3) << QList<int>{0, 32512, -32768};
        QTest::newRow("pcm 22k stereo drops a lone last sample")
            << 0x3B << 22050 << QByteArray("\x10\x00\x20\x00\x30\x00", 6) << QList<int>{16, 32};
        QTest::newRow("mp3 44k 16 stereo") << 0x2F << 44100 << QByteArray() << QList<int>{};
        QTest::newRow("adpcm 5.5k 16 mono") << 0x12 << 5512 << QByteArray() << QList<int>{};
    }

    void formatByte() {
        QFETCH(int, byte);
        QFETCH(int, rate);
        QFETCH(QByteArray, data);
        QFETCH(QList<int>, samples);
        const SoundFormat format = parseFormatByte(quint8(byte));
        QCOMPARE(int(format.codec), byte >> 4);
        QCOMPARE(format.rate, rate);
        QCOMPARE(format.is16Bit, bool(byte & 2));
        QCOMPARE(format.stereo, bool(byte & 1));
        if (data.isEmpty()) return;
        const PcmBuffer out = decodeSound(format, data, 0);
        QCOMPARE(int(out.samples.size()), int(samples.size()));
        for (int i = 0; i < samples.size(); ++i)
            QCOMPARE(int(out.samples[size_t(i)]), samples[i]);
    }

    void adpcmRoundTrip_data() {
        QTest::addColumn<int>("bits");
        QTest::addColumn<double>("minimumSnr");
        QTest::newRow("2 bits") << 2 << 3.0;
        QTest::newRow("3 bits") << 3 << 10.0;
        QTest::newRow("4 bits") << 4 << 18.0;
        QTest::newRow("5 bits") << 5 << 24.0;
    }

    void adpcmRoundTrip() {
        QFETCH(int, bits);
        QFETCH(double, minimumSnr);
        const std::vector<qint16> original = sine(22050, 440, 10000); // spans three packets
        SoundFormat format;
        format.codec = Codec::Adpcm;
        format.rate = 22050;
        const PcmBuffer out = decodeSound(format, encodeAdpcm(original, bits), 10000);
        QCOMPARE(out.frames(), qint64(10000));
        QVERIFY2(snr(original, out.samples) > minimumSnr,
                 qPrintable(QString::number(snr(original, out.samples))));
    }

    void adpcmStereoAndTruncation() {
        // Hand-worked 4-bit packet: initial sample 0, index 0, codes 0111 then 1000.
        BitWriter writer;
        writer.put(2, 2);
        writer.put(0, 16);
        writer.put(0, 6);
        writer.put(0x7, 4);
        writer.put(0x8, 4);
        SoundFormat format;
        format.codec = Codec::Adpcm;
        const PcmBuffer out = decodeAdpcm(format, writer.bytes);
        QCOMPARE(out.samples, (std::vector<qint16>{0, 11, 9}));

        // Stereo: two channels decoded side by side; a cut packet ends early without noise.
        format.stereo = true;
        const std::vector<qint16> left = sine(11025, 300, 600);
        QByteArray mono = encodeAdpcm(left, 4);
        const PcmBuffer cut = decodeAdpcm(format, mono.left(mono.size() / 2));
        QCOMPARE(cut.channels, 2);
        QVERIFY(cut.frames() < 600);
    }

    void mp3FromEncoder() {
        const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
        if (lame.isEmpty()) QSKIP("lame is not installed");
        QTemporaryDir dir;
        const std::vector<qint16> original = sine(44100, 1000, 44100);
        std::vector<qint16> stereo;
        for (qint16 s : original)
            stereo.insert(stereo.end(), {s, s});
        QVERIFY(writeWav(dir.filePath("in.wav"), stereo));
        QProcess process;
        process.start(lame, {"--quiet", "-b", "128", dir.filePath("in.wav"), dir.filePath("out.mp3")});
        QVERIFY(process.waitForFinished(30000));
        QFile file(dir.filePath("out.mp3"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray data("\x00\x00", 2); // seek samples
        data += file.readAll();
        SoundFormat format;
        format.codec = Codec::Mp3;
        format.stereo = true;
        const PcmBuffer out = decodeSound(format, data, 44100);
        QCOMPARE(out.rate, 44100);
        QCOMPARE(out.channels, 2);
        QCOMPARE(out.frames(), qint64(44100));
        // The encoder delays the signal; find it and compare the rest.
        std::vector<qint16> left;
        for (qint64 i = 0; i < out.frames(); ++i)
            left.push_back(out.samples[size_t(2 * i)]);
        double best = -100;
        for (size_t delay = 0; delay < 3000; ++delay)
            best = std::max(best, snr(original, left, delay));
        QVERIFY2(best > 20, qPrintable(QString::number(best)));

        // The same frames cut into stream blocks decode to the same length.
        StreamDecoder stream(format);
        qint64 frames = 0;
        const QByteArray body = data.mid(2);
        for (qsizetype at = 0; at < body.size(); at += 700) {
            QByteArray block("\x00\x00\x00\x00", 4);
            block += body.mid(at, 700);
            frames += stream.decodeBlock(block).samples.frames();
        }
        QVERIFY(frames >= 44100);
    }

    void brokenDataIsSilence_data() {
        QTest::addColumn<int>("codec");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<quint32>("declared");
        QByteArray noise(5000, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919) & 0xFF);
        QTest::newRow("mp3 garbage") << 2 << noise << quint32(4000000000u);
        QTest::newRow("mp3 header only") << 2 << QByteArray("\x00\x00\xff\xfb\x90", 5) << quint32(10);
        QTest::newRow("adpcm one byte") << 1 << QByteArray("\x80", 1) << quint32(4000000000u);
    }

    void brokenDataIsSilence() {
        QFETCH(int, codec);
        QFETCH(QByteArray, data);
        QFETCH(quint32, declared);
        SoundFormat format;
        format.codec = static_cast<Codec>(codec);
        const PcmBuffer out = decodeSound(format, data, declared);
        QVERIFY(out.frames() < 10000);
    }

    void eventOptions() {
        Mixer mixer;
        auto sound = std::make_shared<PcmBuffer>(monoBuffer(std::vector<qint16>(100, 1000)));
        SoundInfo info;
        info.loops = 3;
        info.inPoint44 = 20;
        info.outPoint44 = 60;
        const int voice = mixer.startEvent(7, sound, info);
        QVERIFY(voice > 0);
        std::vector<qint16> out = mixFrames(mixer, 200);
        // Three loops of 40 frames each, then silence.
        QCOMPARE(out[2 * 119], qint16(1000));
        QCOMPARE(out[2 * 120], qint16(0));
        QVERIFY(!mixer.isVoicePlaying(voice));

        SoundInfo once;
        once.noMultiple = true;
        QVERIFY(mixer.startEvent(7, sound, once) > 0);
        QCOMPARE(mixer.startEvent(7, sound, once), 0); // already playing
        QVERIFY(mixer.startEvent(8, sound, once) > 0); // another sound may
        mixer.stopSound(7);
        QVERIFY(!mixer.isSoundPlaying(7));
        QVERIFY(mixer.isSoundPlaying(8));
        int endedVoice = 0;
        mixer.setVoiceEndedHandler([&](int id) { endedVoice = id; });
        const int last = mixer.startEvent(9, sound, SoundInfo{});
        mixFrames(mixer, 300);
        QCOMPARE(endedVoice != 0, true);
        QVERIFY(!mixer.isVoicePlaying(last));
        mixer.stopAll();
        QVERIFY(!mixer.isSoundPlaying(8));
    }

    void envelopeAndResampling() {
        Mixer mixer;
        auto sound = std::make_shared<PcmBuffer>(monoBuffer(std::vector<qint16>(1000, 10000), 11025));
        SoundInfo info;
        info.envelope = {{0, 0, 32768}, {400, 32768, 0}};
        mixer.startEvent(1, sound, info);
        std::vector<qint16> out = mixFrames(mixer, 5000);
        QCOMPARE(out[0], qint16(0));             // left starts silent
        QCOMPARE(out[1], qint16(10000));         // right full
        QVERIFY(qAbs(out[2 * 200] - 5000) < 50); // half way
        QCOMPARE(out[2 * 400 + 1], qint16(0));
        // 1000 frames at 11025 Hz last four times as long at 44100 Hz.
        QVERIFY(out[2 * 3990] != 0);
        QCOMPARE(out[2 * 4010], qint16(0));
    }

    // A voice handed a longer copy of its sound plays on into it without a seam; one that has
    // ended, or a sound of another kind, is refused.
    void voiceGoesOnIntoMore() {
        Mixer mixer;
        std::vector<qint16> first(100, 1000), more(first);
        more.resize(300, 2000);
        auto longer = std::make_shared<PcmBuffer>(monoBuffer(more));
        const int voice = mixer.startEvent(1, std::make_shared<PcmBuffer>(monoBuffer(first)), SoundInfo{});
        std::vector<qint16> out = mixFrames(mixer, 60);
        QVERIFY(mixer.extendVoice(voice, longer));
        const std::vector<qint16> rest = mixFrames(mixer, 300);
        out.insert(out.end(), rest.begin(), rest.end());
        for (int i = 0; i < 360; ++i)
            QCOMPARE(out[size_t(2 * i)], qint16(i < 100 ? 1000 : i < 300 ? 2000 : 0));
        QVERIFY(!mixer.extendVoice(voice, longer)); // it has ended

        const int other = mixer.startEvent(2, std::make_shared<PcmBuffer>(monoBuffer(first)), SoundInfo{});
        QVERIFY(!mixer.extendVoice(other, std::make_shared<PcmBuffer>(monoBuffer(more, 11025))));
        QVERIFY(!mixer.extendVoice(other, std::make_shared<PcmBuffer>(monoBuffer({1, 2, 3}))));
        SoundInfo cut;
        cut.outPoint44 = 50;
        const int part = mixer.startEvent(3, std::make_shared<PcmBuffer>(monoBuffer(first)), cut);
        QVERIFY(!mixer.extendVoice(part, longer)); // its out point stays where the movie put it
    }

    void streamQueue() {
        Mixer mixer;
        mixer.streamAppend(1, monoBuffer(std::vector<qint16>(22050, 500), 22050));
        QCOMPARE(mixer.streamQueued44(1), qint64(44100));
        std::vector<qint16> out = mixFrames(mixer, 44100);
        QCOMPARE(out[2 * 44000], qint16(500));
        QCOMPARE(mixer.streamPlayed44(1), qint64(44100));
        out = mixFrames(mixer, 100); // starved: silence, the clock stands still
        QCOMPARE(out[0], qint16(0));
        mixer.streamStop(1);
        QVERIFY(!mixer.streamActive(1));
    }

    void streamPlacement_data() {
        QTest::addColumn<double>("at");    // where the second block belongs, seconds
        QTest::addColumn<double>("slack"); // seconds
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<qint64>("starts"); // where its first sample plays, 11,025 Hz frames
        QTest::addColumn<qint64>("ends");   // where its last sample plays
        // A first block of 1,000 frames at 0, then a second of 1,000 frames of another value.
        QTest::newRow("right after") << 1000 / 11025.0 << 0.01 << false << qint64(1000) << qint64(1999);
        QTest::newRow("a gap is silence") << 3000 / 11025.0 << 0.01 << false << qint64(3000) << qint64(3999);
        QTest::newRow("what is already due is cut")
            << 400 / 11025.0 << 0.01 << false << qint64(1000) << qint64(1399);
        QTest::newRow("within slack it follows on")
            << 1050 / 11025.0 << 0.01 << false << qint64(1000) << qint64(1999);
        QTest::newRow("within slack, stretched to end in time")
            << 1030 / 11025.0 << 0.01 << true << qint64(1000) << qint64(2029);
        QTest::newRow("within slack, shrunk to end in time")
            << 980 / 11025.0 << 0.01 << true << qint64(1000) << qint64(1979);
        QTest::newRow("never stretched by more than a twentieth")
            << 1100 / 11025.0 << 0.01 << true << qint64(1000) << qint64(1999);
    }

    // A stream block goes where its time is on the stream's clock, not merely after the last.
    void streamPlacement() {
        QFETCH(double, at);
        QFETCH(double, slack);
        QFETCH(bool, stretch);
        QFETCH(qint64, starts);
        QFETCH(qint64, ends);
        Mixer mixer;
        mixer.streamPlace(1, monoBuffer(std::vector<qint16>(1000, 100), 11025), 0, slack, stretch);
        mixer.streamPlace(1, monoBuffer(std::vector<qint16>(1000, 900), 11025), at, slack, stretch);
        // Four output frames to a source frame: read each source frame's first output frame.
        const std::vector<qint16> out = mixFrames(mixer, 4 * 5000);
        auto at11 = [&](qint64 frame) { return out[size_t(2 * 4 * frame)]; };
        QCOMPARE(at11(starts - 1), qint16(starts > 1000 ? 0 : 100));
        QVERIFY2(qAbs(at11(starts) - 900) < 10, qPrintable(QString::number(at11(starts))));
        QVERIFY2(qAbs(at11(ends) - 900) < 10, qPrintable(QString::number(at11(ends))));
        QCOMPARE(at11(ends + 1), qint16(0));
    }

    void saturationAndVoiceLimit() {
        Mixer mixer;
        auto loud = std::make_shared<PcmBuffer>(monoBuffer(std::vector<qint16>(100, 30000)));
        for (int i = 0; i < 3; ++i)
            mixer.startEvent(1, loud, SoundInfo{});
        std::vector<qint16> out = mixFrames(mixer, 10);
        QCOMPARE(out[0], qint16(32767)); // saturated, not wrapped
        int started = 0;
        for (int i = 0; i < 200; ++i)
            started += mixer.startEvent(2, loud, SoundInfo{}) > 0;
        QVERIFY(started <= Mixer::kMaxVoices);
    }

    void wavHeader() {
        const QByteArray wav = wavFile({1, -1, 2, -2});
        QCOMPARE(wav.size(), 44 + 8);
        QCOMPARE(wav.left(4), QByteArray("RIFF"));
        QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(wav.mid(36, 4), QByteArray("data"));
    }
};

QTEST_GUILESS_MAIN(AudioTest)
#include "audio_test.moc"
