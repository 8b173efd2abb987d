// Prints the processor time a 320 x 240, 25 fps Sorenson H.263 video costs per second of
// play, as a share of one core: its pictures decoded alone, and the movie played and drawn
// at its size frame by frame; then the same for the real-world movie lidosta_video.swf.
#include "swf/Player.h"
#include "swf/media/video_decoder.h"
#include "video_clips.h"

#include <QFile>
#include <QGuiApplication>
#include <QPainter>

#include <cstdio>
#include <ctime>

namespace {

constexpr int kFps = 25;
constexpr int kSeconds = 20;
constexpr int kKeyInterval = 50; // two seconds, as encoders of the era were usually set

double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

// Share of one core for frames at kFps that took cpu seconds.
double percentOfCore(double cpu, int frames) {
    return 100.0 * cpu / (double(frames) / kFps);
}

double playAndDraw(const QByteArray& movie, int& frames) {
    swf::Player player;
    if (!player.loadBytes(movie)) return -1;
    QImage image(player.stageSize(), QImage::Format_ARGB32_Premultiplied);
    frames = player.totalFrames();
    const double start = processSeconds();
    for (int i = 0; i < frames; ++i) {
        if (i > 0) player.advance();
        QPainter painter(&image);
        player.render(painter, QTransform::fromScale(0.05, 0.05), swf::Quality::High);
    }
    return processSeconds() - start;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QSize size(320, 240);
    const int count = kFps * kSeconds;
    const std::vector<QImage> pictures = swftest::movingPictures(size, count);
    const swftest::EncodedClip clip = swftest::encodeClip(2, pictures, kKeyInterval);
    if (!clip.error.isEmpty()) {
        std::fprintf(stderr, "bench_video: %s\n", qPrintable(clip.error));
        return 1;
    }
    qint64 bytes = 0;
    for (const QByteArray& packet : clip.packets)
        bytes += packet.size();

    swf::media::VideoDecoder decoder(2);
    QString problem;
    double start = processSeconds();
    for (const QByteArray& packet : clip.packets) {
        decoder.decode(packet, false, problem);
        decoder.picture();
    }
    const double decodeOnly = processSeconds() - start;

    swftest::VideoMovie layout;
    layout.stage = layout.box = size;
    int frames = 0;
    const double played = playAndDraw(swftest::videoMovie(2, clip.packets, layout), frames);
    std::printf("generated clip: %d pictures of 320x240 at %d fps, %.0f kbit/s, a key frame every %d\n",
                count, kFps, bytes * 8.0 / kSeconds / 1000, kKeyInterval);
    std::printf("  decoding and converting alone: %.1f %% of one core (%.2f ms a picture)\n",
                percentOfCore(decodeOnly, count), 1000 * decodeOnly / count);
    std::printf("  played and drawn by the player: %.1f %% of one core (%.2f ms a frame)\n",
                percentOfCore(played, frames), 1000 * played / frames);

    QFile real(QStringLiteral(VANTREL_CORPUS_DIR "/real/lidosta_video.swf"));
    if (real.open(QIODevice::ReadOnly)) {
        const double cpu = playAndDraw(real.readAll(), frames);
        std::printf("lidosta_video.swf (320x240, 25 fps, %d frames) played and drawn: %.1f %% of one core\n",
                    frames, percentOfCore(cpu, frames));
    }
    return 0;
}
