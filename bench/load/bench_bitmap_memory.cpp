// Peak memory while a movie of about 50 MB of decoded bitmaps plays and is drawn: the
// high-water mark of resident memory (VmHWM) above the process's own baseline, against the
// bytes the bitmaps take decoded (4 per pixel). The movie is generated in this process, then
// played by a child process so that building it does not count.
// Usage: bench_bitmap_memory [--keep PATH] (writes the generated movie to PATH as well).
#include "swf/Player.h"
#include "swf_builder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr QSize kBitmapSize(1600, 1000);
constexpr int kBitmaps = 8;
constexpr int kFramesPerBitmap = 30;
constexpr QSize kStage(800, 600);

long statusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Picture-like content: smooth colour fields, rings and a little grain, so the file
// compresses as real artwork does while every pixel still has to be decoded.
QImage artwork(int seed, bool withAlpha) {
    QImage image(kBitmapSize, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QRandomGenerator random{quint32(seed)};
    const double cx = kBitmapSize.width() * (0.3 + 0.1 * (seed % 4)), cy = kBitmapSize.height() * 0.5;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const double d = std::hypot(x - cx, y - cy);
            const int grain = int(random.bounded(8));
            const int r = (x * 255 / image.width() + seed * 40 + grain) & 0xff;
            const int g = int(128 + 100 * std::sin(d / (20.0 + seed))) + grain;
            const int b = (y * 255 / image.height() + grain) & 0xff;
            const int a = withAlpha ? std::clamp(int(255 - d / 4), 0, 255) : 255;
            line[x] = qRgba(r, std::clamp(g, 0, 255), b, a);
        }
    }
    return image;
}

// Each bitmap is shown for a while in a shape with a clipped bitmap fill, at half size,
// sliding and fading in, two at a time; half are lossless (with alpha), half JPEG.
QByteArray bitmapMovie() {
    swftest::SwfBuilder b(8, kStage, 24);
    b.setBackground(Qt::white);
    std::vector<int> shapes;
    for (int i = 0; i < kBitmaps; ++i) {
        const QImage image = artwork(i, i % 2 == 0);
        const int bitmap = i % 4 == 0   ? b.defineBitsLossless(image, true)
                           : i % 4 == 2 ? b.defineBitsLossless(image, false)
                           : i % 4 == 1 ? b.defineBitsJpeg2(image)
                                        : b.defineBitsJpeg3(image);
        swftest::ShapeBuilder shape;
        const int fill = shape.addBitmapFill(bitmap, QTransform(), false, true);
        shape.rectangle(QRectF(QPointF(0, 0), kBitmapSize), fill);
        shapes.push_back(b.defineShape(shape, 3));
    }
    const int frames = kBitmaps * kFramesPerBitmap + kFramesPerBitmap;
    for (int frame = 0; frame < frames; ++frame) {
        for (int i = 0; i < kBitmaps; ++i) {
            const int shown = frame - i * kFramesPerBitmap;
            const int depth = i + 1;
            if (shown == 2 * kFramesPerBitmap) b.remove(depth);
            if (shown < 0 || shown >= 2 * kFramesPerBitmap) continue;
            swftest::Place place;
            place.depth = depth;
            if (shown == 0)
                place.characterId = shapes[size_t(i)];
            else
                place.move = true;
            place.matrix =
                QTransform::fromScale(0.5, 0.5) * QTransform::fromTranslate(-shown * 4 + 40, 50 + i * 10);
            swftest::ColorTransformValues fade;
            fade.alphaMult = std::min(256, 26 + shown * 23); // in over ten frames
            if (i == 3) fade.redMult = 180;                  // one of them tinted throughout
            place.colorTransform = fade;
            b.place(place);
        }
        b.showFrame();
    }
    return b.finish(swftest::Compression::Zlib);
}

int play(const QString& path) {
    QImage target(kStage, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::black);
    const long baselineKb = statusKb("VmHWM:");
    swf::Player player;
    QElapsedTimer timer;
    timer.start();
    if (!player.loadFile(path)) {
        std::printf("bitmap memory: cannot load (%s)\n", qPrintable(player.errorText()));
        return 1;
    }
    const int frames = player.totalFrames();
    {
        QPainter painter(&target);
        for (int i = 0; i < frames; ++i) {
            player.render(painter, QTransform::fromScale(1 / 20.0, 1 / 20.0), swf::Quality::High);
            player.advance();
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const long peakKb = statusKb("VmHWM:");
    const double decodedMb =
        double(kBitmaps) * kBitmapSize.width() * kBitmapSize.height() * 4 / (1024.0 * 1024.0);
    const double aboveMb = (peakKb - baselineKb) / 1024.0;
    std::printf(
        "bitmap memory: %d bitmaps of %dx%d, %.1f MB decoded, file %.1f MB; %d frames drawn in %.1f s\n",
        kBitmaps, kBitmapSize.width(), kBitmapSize.height(), decodedMb, QFile(path).size() / 1048576.0,
        frames, seconds);
    std::printf("bitmap memory: baseline %.1f MB, peak %.1f MB, above baseline %.1f MB = %.2f x decoded "
                "(goal <= 2)\n",
                baselineKb / 1024.0, peakKb / 1024.0, aboveMb, aboveMb / decodedMb);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--play")) return play(args[2]);
    QTemporaryDir dir;
    const QString path =
        args.size() == 3 && args[1] == QLatin1String("--keep") ? args[2] : dir.filePath("bitmaps.swf");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bitmapMovie()) < 0) {
            std::printf("bitmap memory: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--play"), path});
    child.waitForFinished(-1);
    return child.exitCode();
}
