// Load time and peak memory: a generated 20 MB movie (bitmaps and shapes over 2,000
// frames, zlib-compressed) and the largest real movies of the corpus, each loaded and
// walked to its last frame.
#include "swf/Player.h"
#include "swf_builder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>

#include <cstdio>

namespace {

long peakResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

QByteArray bigMovie() {
    swftest::SwfBuilder builder(8, QSize(640, 480), 30);
    QRandomGenerator random(7);
    // Noise does not compress: the file really is large.
    for (int b = 0; b < 34; ++b) {
        QImage image(480, 360, QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = random.generate() | 0xFF000000u;
        }
        const int id = builder.defineBitsLossless(image, false);
        builder.place(b + 1, id, QTransform::fromTranslate(b * 5, b * 3));
    }
    for (int frame = 0; frame < 2000; ++frame) {
        const int shape = builder.defineRect(QRectF(frame % 600, frame % 400, 40, 30),
                                             QColor::fromHsv(frame % 360, 200, 220));
        builder.place(100 + frame % 50, shape, QTransform::fromTranslate(frame % 17, frame % 13));
        builder.showFrame();
    }
    return builder.finish(swftest::Compression::Zlib);
}

void measure(const char* name, const QByteArray& bytes) {
    swf::Player player;
    QElapsedTimer timer;
    timer.start();
    const bool loaded = player.loadBytes(bytes);
    const double loadMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    for (int i = 1; i < player.totalFrames(); ++i)
        player.advance();
    const double walkMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    player.gotoFrame(player.totalFrames() / 2);
    player.gotoFrame(player.totalFrames() - 1);
    player.gotoFrame(0);
    const double gotoMs = timer.nsecsElapsed() / 1e6 / 3;
    std::printf("load %s bytes=%lld loaded=%d frames=%d load_ms=%.1f walk_all_frames_ms=%.1f goto_ms=%.2f "
                "peak_rss_mb=%.1f\n",
                name, static_cast<long long>(bytes.size()), loaded ? 1 : 0, player.totalFrames(), loadMs,
                walkMs, gotoMs, peakResidentKb() / 1024.0);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString corpus = QStringLiteral(VANTREL_CORPUS_DIR "/real/");
    for (const char* name : {"airport.swf", "lidosta_video.swf"}) {
        QFile file(corpus + QLatin1String(name));
        if (file.open(QIODevice::ReadOnly)) measure(name, file.readAll());
    }
    measure("generated-20MB", bigMovie());
    return 0;
}
