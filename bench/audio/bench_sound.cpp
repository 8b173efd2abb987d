// Plays a generated movie with a 128 kbit/s MP3 stream (encoded by lame) and eight
// overlapping event sounds through the engine and mixer, without drawing, and prints the
// processor time spent per second of sound: the cost of sound while a movie plays.
#include "swf/Player.h"
#include "swf/media/mixer.h"
#include "swf_builder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>

namespace {

constexpr int kFps = 25;
constexpr int kSeconds = 60;

QByteArray le16(quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    return QByteArray(b, 2);
}
QByteArray le32(quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    return QByteArray(b, 4);
}

// MPEG-1 layer III frame lengths, to cut the stream into whole frames per movie frame.
int mp3FrameLength(const unsigned char* h) {
    static const int kBitrates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRates[4] = {44100, 48000, 32000, 0};
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return 0;
    const int bitrate = kBitrates[h[2] >> 4] * 1000;
    const int rate = kRates[(h[2] >> 2) & 3];
    if (bitrate == 0 || rate == 0) return 0;
    return 144 * bitrate / rate + ((h[2] >> 1) & 1);
}

QByteArray encodeMp3(const QString& lame, const QTemporaryDir& dir) {
    std::vector<qint16> pcm;
    for (int i = 0; i < 44100 * kSeconds; ++i) {
        const double t = double(i) / 44100;
        const qint16 s = qint16(8000 * std::sin(2 * std::numbers::pi * (220 + 40 * std::sin(t)) * t));
        pcm.insert(pcm.end(), {s, qint16(-s)});
    }
    QFile raw(dir.filePath("in.raw"));
    raw.open(QIODevice::WriteOnly);
    raw.write(reinterpret_cast<const char*>(pcm.data()), qint64(pcm.size() * 2));
    raw.close();
    QProcess process;
    process.start(lame, {"--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed", "--little-endian",
                         "-m", "j", "-b", "128", dir.filePath("in.raw"), dir.filePath("out.mp3")});
    process.waitForFinished(120000);
    QFile mp3(dir.filePath("out.mp3"));
    mp3.open(QIODevice::ReadOnly);
    return mp3.readAll();
}

QByteArray buildMovie(const QByteArray& mp3) {
    swftest::SwfBuilder builder(6, QSize(320, 240), kFps);
    constexpr quint8 kMp3Stereo44 = (2 << 4) | (3 << 2) | 2 | 1;
    constexpr quint8 kAdpcmMono22 = (1 << 4) | (2 << 2) | 2;
    builder.rawTag(18, QByteArray(1, char(kMp3Stereo44)) + char(kMp3Stereo44) + le16(1764) + le16(0));
    // Eight event sounds: one second of ADPCM-free PCM tones each, started in turn.
    for (int id = 1; id <= 8; ++id) {
        QByteArray data;
        for (int i = 0; i < 22050; ++i)
            data +=
                le16(quint16(qint16(3000 * std::sin(2 * std::numbers::pi * (300 + 50 * id) * i / 22050))));
        builder.rawTag(14, le16(quint16(id)) + char((3 << 4) | (2 << 2) | 2) + le32(22050) + data);
    }
    Q_UNUSED(kAdpcmMono22);
    qsizetype at = 0;
    qint64 samplesSent = 0;
    for (int frame = 0; frame < kFps * kSeconds; ++frame) {
        const qint64 due = qint64(frame + 1) * 44100 / kFps;
        QByteArray frames;
        qint64 samples = 0;
        while (samplesSent + samples < due && at + 4 <= mp3.size()) {
            const int length = mp3FrameLength(reinterpret_cast<const unsigned char*>(mp3.constData() + at));
            if (length <= 0) {
                ++at;
                continue;
            }
            frames += mp3.mid(at, length);
            at += length;
            samples += 1152;
        }
        samplesSent += samples;
        builder.rawTag(19, le16(quint16(samples)) + le16(0) + frames);
        if (frame % 5 == 0) builder.rawTag(15, le16(quint16(1 + (frame / 5) % 8)) + char(0));
        builder.showFrame();
    }
    return builder.finish();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (lame.isEmpty()) {
        std::fprintf(stderr, "bench_sound needs lame (apt-get install lame) to encode its MP3 stream\n");
        return 1;
    }
    QTemporaryDir dir;
    const QByteArray movie = buildMovie(encodeMp3(lame, dir));
    swf::Player player;
    if (!player.loadBytes(movie)) {
        std::fprintf(stderr, "movie not loaded: %s\n", qPrintable(player.errorText()));
        return 1;
    }
    std::vector<qint16> buffer(44100 / kFps * 2 + 4);
    const std::clock_t start = std::clock();
    qint64 mixed = 0;
    double level = 0;
    for (int frame = 1; frame <= kFps * kSeconds; ++frame) {
        const qint64 due = qint64(frame) * 44100 / kFps;
        const int count = int(due - mixed);
        player.mixer().mix(buffer.data(), count);
        for (int i = 0; i < count * 2; ++i)
            level += std::abs(buffer[size_t(i)]);
        mixed = due;
        player.advance();
    }
    const double cpu = double(std::clock() - start) / CLOCKS_PER_SEC;
    // The mean level shows the sound really was decoded and mixed (silence would be 0).
    std::printf(
        "sound seconds=%d cpu_seconds=%.3f share_of_one_core=%.2f%% mean_level=%.0f movie_bytes=%lld\n",
        kSeconds, cpu, 100.0 * cpu / kSeconds, level / double(mixed * 2),
        static_cast<long long>(movie.size()));
    return 0;
}
