// bench_render: frames per second of drawing (the real vector benchmark and a generated
// movie of ~2000 shapes, at scale 1 and 2; 100 moving clips with filters at scale 1) and the
// time a goto takes in a 10,000-frame movie. Prints one "name: figure" line each; the README
// quotes them. Arguments (airport, shapes, filters, goto) run only those parts.
#include "swf/Player.h"
#include "swf_builder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include <cmath>
#include <cstdio>

namespace {

QByteArray manyShapesMovie() {
    SwfBuilder b(8, QSize(550, 400), 24);
    b.setBackground(Qt::white);
    std::vector<int> shapes;
    for (int i = 0; i < 40; ++i) {
        swftest::ShapeBuilder shape;
        const QColor color = QColor::fromHsv((i * 37) % 360, 200, 230, 200);
        const int fill = i % 3 == 0 ? shape.addLinearGradient(QPointF(-10, 0), QPointF(10, 0),
                                                              {{0, color}, {255, Qt::black}})
                                    : shape.addSolidFill(color);
        const int line = shape.addLine(1, Qt::black);
        if (i % 2)
            shape.ellipse(QRectF(-10, -10, 20, 20), fill, line);
        else
            shape.rectangle(QRectF(-8, -8, 16, 16), fill, line);
        shapes.push_back(b.defineShape(shape, 3));
    }
    constexpr int kObjects = 2000;
    for (int i = 0; i < kObjects; ++i)
        b.place(i + 1, shapes[size_t(i) % shapes.size()],
                QTransform::fromTranslate((i * 13) % 550, (i * 29) % 400));
    b.showFrame();
    for (int frame = 1; frame < 120; ++frame) {
        // A quarter of the objects move each frame.
        for (int i = frame % 4; i < kObjects; i += 4) {
            QTransform m = QTransform::fromTranslate((i * 13 + frame * 3) % 550, (i * 29 + frame * 2) % 400);
            m.rotate(frame * 3 + i);
            b.move(i + 1, m);
        }
        b.showFrame();
    }
    return b.finish(swftest::Compression::Zlib);
}

// 100 clips moving over a 550 x 400 stage at 24 fps (turning too, if asked), each a sprite
// of a ringed disc and a bar, drawn with filters: a third blurred, a third glowing, a third
// with a drop shadow, and every tenth with all three.
QByteArray filteredClipsMovie(bool turning) {
    SwfBuilder b(8, QSize(550, 400), 24);
    b.setBackground(Qt::white);
    std::vector<int> sprites;
    for (int i = 0; i < 5; ++i) {
        swftest::ShapeBuilder shape;
        const QColor color = QColor::fromHsv(i * 70, 210, 220);
        const int fill = shape.addSolidFill(color);
        const int line = shape.addLine(2, color.darker(160));
        shape.ellipse(QRectF(-18, -18, 36, 36), fill, line);
        shape.rectangle(QRectF(-8 - i, -8, 16 + 2 * i, 16), shape.addSolidFill(Qt::white));
        const int shapeId = b.defineShape(shape, 3);
        SwfBuilder sprite(8, QSize(550, 400), 24);
        sprite.place(1, shapeId);
        sprite.showFrame();
        sprites.push_back(b.defineSprite(sprite));
    }
    const QByteArray blur = swftest::blurFilters(6, 6, 2);
    const QByteArray glow = swftest::glowFilters(QColor(255, 200, 0, 200), 10, 2, 2);
    const QByteArray shadow = swftest::dropShadowFilters(QColor(0, 0, 0, 160), 6, 0.785, 5, 1, 2);
    const QByteArray all = swftest::joinedFilters({blur, glow, shadow});
    constexpr int kClips = 100;
    auto position = [turning](int i, int frame) {
        QTransform m = QTransform::fromTranslate(20 + (i * 53 + frame * (1 + i % 5)) % 510,
                                                 20 + (i * 31 + frame * (1 + i % 3)) % 360);
        if (turning) m.rotate(frame * 2 + i * 7);
        return m;
    };
    for (int i = 0; i < kClips; ++i) {
        swftest::Place place;
        place.depth = i + 1;
        place.characterId = sprites[size_t(i) % sprites.size()];
        place.matrix = position(i, 0);
        place.filterList = i % 10 == 9 ? all : i % 3 == 0 ? blur : i % 3 == 1 ? glow : shadow;
        b.placeObject3(place);
    }
    b.showFrame();
    for (int frame = 1; frame < 240; ++frame) {
        for (int i = 0; i < kClips; ++i)
            b.move(i + 1, position(i, frame));
        b.showFrame();
    }
    return b.finish(swftest::Compression::Zlib);
}

QByteArray longMovie(int frames) {
    SwfBuilder b(8, QSize(200, 200), 24);
    const int box = b.defineRect(QRectF(0, 0, 10, 10), Qt::red);
    for (int frame = 0; frame < frames; ++frame) {
        if (frame % 100 == 0) b.place(1 + (frame / 100) % 50, box, QTransform::fromTranslate(frame % 190, 0));
        if (frame % 100 == 50) b.remove(1 + ((frame / 100) + 25) % 50);
        b.move(1 + (frame / 100) % 50, QTransform::fromTranslate(frame % 190, (frame / 7) % 190));
        b.showFrame();
    }
    return b.finish();
}

double framesPerSecond(swf::Player& player, double scale, int frames) {
    QImage image(player.stageSize() * scale, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    const QTransform toDevice = QTransform::fromScale(scale / 20, scale / 20);
    player.gotoFrame(0);
    player.setLoop(true);
    player.play();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < frames; ++i) {
        player.render(painter, toDevice, swf::Quality::High);
        player.advance();
    }
    return frames / (timer.nsecsElapsed() / 1e9);
}

void benchMovie(const char* name, const QByteArray& bytes) {
    swf::Player player;
    if (!player.loadBytes(bytes)) {
        std::printf("%s: cannot load (%s)\n", name, qPrintable(player.errorText()));
        return;
    }
    for (double scale : {1.0, 2.0})
        std::printf("%s scale %.0f: %.1f fps over %d frames\n", name, scale,
                    framesPerSecond(player, scale, player.framesLoaded()), player.framesLoaded());
}

// Playing (advancing and drawing at scale 1, as the control does) the filtered clips on
// this core; the goal is twice the movie's 24 fps. Turning clips are drawn afresh each frame
// where moved ones come from the raster cache: that part is the shapes' cost, not the filters'.
void benchFilters() {
    for (const bool turning : {false, true}) {
        swf::Player player;
        if (!player.loadBytes(filteredClipsMovie(turning))) {
            std::printf("filtered clips: cannot load (%s)\n", qPrintable(player.errorText()));
            return;
        }
        const double fps = framesPerSecond(player, 1.0, player.framesLoaded());
        std::printf("100 filtered clips %s, scale 1: %.1f fps over %d frames (%.2f x its %.0f fps)\n",
                    turning ? "moving and turning" : "moving", fps, player.framesLoaded(),
                    fps / player.frameRate(), player.frameRate());
    }
}

void benchGoto() {
    constexpr int kFrames = 10000;
    swf::Player player;
    player.loadBytes(longMovie(kFrames));
    QRandomGenerator random(7);
    double worst = 0, total = 0;
    constexpr int kJumps = 500;
    for (int i = 0; i < kJumps; ++i) {
        const int target = random.bounded(kFrames);
        QElapsedTimer timer;
        timer.start();
        player.gotoFrame(target);
        const double ms = timer.nsecsElapsed() / 1e6;
        worst = std::max(worst, ms);
        total += ms;
    }
    std::printf("goto in a %d-frame movie: mean %.3f ms, worst %.3f ms over %d random jumps\n", kFrames,
                total / kJumps, worst, kJumps);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // Optional arguments pick parts: airport, shapes, filters, goto; "--write-shapes PATH"
    // and "--write-filters PATH" only write a generated movie, for vantrel-render --bench and
    // profilers.
    QStringList parts = app.arguments().mid(1);
    if (const qsizetype at = parts.indexOf(QLatin1String("--write-shapes"));
        at >= 0 && at + 1 < parts.size()) {
        QFile out(parts[at + 1]);
        return out.open(QIODevice::WriteOnly) && out.write(manyShapesMovie()) > 0 ? 0 : 1;
    }
    if (const qsizetype at = parts.indexOf(QLatin1String("--write-filters"));
        at >= 0 && at + 1 < parts.size()) {
        QFile out(parts[at + 1]);
        return out.open(QIODevice::WriteOnly) && out.write(filteredClipsMovie(false)) > 0 ? 0 : 1;
    }
    auto wanted = [&](const char* part) { return parts.isEmpty() || parts.contains(QLatin1String(part)); };
    if (wanted("airport")) {
        QFile airport(QStringLiteral(VANTREL_CORPUS_DIR "/real/airport.swf"));
        if (airport.open(QIODevice::ReadOnly))
            benchMovie("airport.swf", airport.readAll());
        else
            std::printf("airport.swf: not found, skipped\n");
    }
    if (wanted("shapes")) benchMovie("2000 shapes", manyShapesMovie());
    if (wanted("filters")) benchFilters();
    if (wanted("goto")) benchGoto();
    return 0;
}
