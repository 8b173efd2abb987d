// vantrel-make-demo OUT.swf: writes the demo movie that ships in "my flash movie": a short
// looping vector animation built with our own SwfBuilder, so the player has something to
// show on first start.
#include "swf_builder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kFrames = 96;
constexpr QSize kStage(550, 400);

QPolygonF star(QPointF center, double outer, double inner, int points) {
    QPolygonF polygon;
    for (int i = 0; i < points * 2; ++i) {
        const double radius = i % 2 ? inner : outer;
        const double angle = M_PI * i / points - M_PI / 2;
        polygon << center + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    return polygon;
}

QByteArray buildDemo() {
    SwfBuilder movie(8, kStage, 24);
    movie.setBackground(QColor(0x10, 0x18, 0x30));

    // Sky: a vertical gradient band behind everything.
    swftest::ShapeBuilder sky;
    const int skyFill = sky.addLinearGradient(
        QPointF(0, 0), QPointF(0, 400),
        {{0, QColor(0x1d, 0x2b, 0x64)}, {160, QColor(0x6a, 0x3d, 0x9a)}, {255, QColor(0xf8, 0x9a, 0x5b)}});
    sky.rectangle(QRectF(0, 0, 550, 400), skyFill);
    const int skyId = movie.defineShape(sky, 2);

    // Sun: radial gradient disc with a soft stroke.
    swftest::ShapeBuilder sun;
    const int sunFill = sun.addRadialGradient(
        QPointF(0, 0), 60,
        {{0, QColor(255, 250, 210)}, {140, QColor(255, 200, 60)}, {255, QColor(255, 120, 40, 0)}});
    sun.ellipse(QRectF(-60, -60, 120, 120), sunFill);
    const int sunId = movie.defineShape(sun, 3);

    // Ground: curved hills.
    swftest::ShapeBuilder hills;
    const int hillFill = hills.addLinearGradient(
        QPointF(0, 300), QPointF(0, 400), {{0, QColor(0x2e, 0x8b, 0x57)}, {255, QColor(0x0b, 0x3d, 0x22)}});
    const int hillLine = hills.addLine(2, QColor(0x9c, 0xe0, 0x9c));
    hills.setStyles(0, hillFill, hillLine);
    hills.moveTo(QPointF(0, 320));
    hills.curveTo(QPointF(140, 250), QPointF(280, 320));
    hills.curveTo(QPointF(420, 380), QPointF(550, 300));
    hills.setStyles(0, hillFill, 0);
    hills.lineTo(QPointF(550, 400));
    hills.lineTo(QPointF(0, 400));
    hills.lineTo(QPointF(0, 320));
    const int hillsId = movie.defineShape(hills, 3);

    // A spinning star inside a sprite: its own 24-frame timeline.
    swftest::ShapeBuilder starShape;
    const int starFill = starShape.addRadialGradient(
        QPointF(0, 0), 40, {{0, QColor(255, 255, 255)}, {255, QColor(255, 210, 0)}});
    const int starLine = starShape.addLine(3, QColor(200, 80, 0));
    starShape.polygon(star(QPointF(0, 0), 40, 17, 5), starFill, starLine);
    const int starId = movie.defineShape(starShape, 3);
    SwfBuilder spinner(8);
    spinner.place(1, starId);
    spinner.showFrame();
    for (int i = 1; i < 24; ++i) {
        spinner.move(1, QTransform().rotate(15.0 * i));
        spinner.showFrame();
    }
    const int spinnerId = movie.defineSprite(spinner);

    // Bouncing boxes with strokes.
    std::vector<int> boxes;
    const QColor boxColors[] = {QColor(0xe6, 0x39, 0x46), QColor(0x45, 0x7b, 0x9d), QColor(0xf4, 0xa2, 0x61)};
    for (const QColor& color : boxColors) {
        swftest::ShapeBuilder box;
        const int fill = box.addLinearGradient(QPointF(-25, -25), QPointF(25, 25),
                                               {{0, color.lighter(150)}, {255, color}});
        const int line = box.addLine(2.5, QColor(255, 255, 255, 200));
        box.rectangle(QRectF(-25, -25, 50, 50), fill, line);
        boxes.push_back(movie.defineShape(box, 3));
    }

    // A blob that morphs from a circle-ish square into a wide lozenge and back.
    swftest::ShapeBuilder blobStart, blobEnd;
    blobStart.setStyles(0, 1, 0);
    blobStart.moveTo(QPointF(-30, -30));
    blobStart.lineTo(QPointF(30, -30));
    blobStart.lineTo(QPointF(30, 30));
    blobStart.lineTo(QPointF(-30, 30));
    blobStart.lineTo(QPointF(-30, -30));
    blobEnd.moveTo(QPointF(0, -20));
    blobEnd.lineTo(QPointF(60, 0));
    blobEnd.lineTo(QPointF(0, 20));
    blobEnd.lineTo(QPointF(-60, 0));
    blobEnd.lineTo(QPointF(0, -20));
    const int blobId = movie.defineMorphShape(blobStart, blobEnd, {QColor(0x2a, 0x9d, 0x8f, 230)},
                                              {QColor(0xe9, 0xc4, 0x6a, 230)});

    movie.place(1, skyId);
    movie.place(2, sunId, QTransform::fromTranslate(420, 90));
    movie.place(3, hillsId);
    movie.place(4, spinnerId, QTransform::fromTranslate(90, 90));
    for (size_t i = 0; i < boxes.size(); ++i)
        movie.place(10 + int(i), boxes[i], QTransform::fromTranslate(120 + 150 * i, 250));
    swftest::Place blob;
    blob.depth = 20;
    blob.characterId = blobId;
    blob.matrix = QTransform::fromTranslate(275, 160);
    blob.ratio = 0;
    movie.place(blob);
    movie.frameLabel(QStringLiteral("start"));
    movie.showFrame();

    for (int frame = 1; frame < kFrames; ++frame) {
        const double t = double(frame) / kFrames;
        const double wave = std::sin(2 * M_PI * t);
        movie.move(2, QTransform::fromTranslate(420, 90 + 15 * wave).scale(1 + 0.1 * wave, 1 + 0.1 * wave));
        movie.move(4, QTransform::fromTranslate(90 + 370 * t, 90 + 30 * std::sin(4 * M_PI * t)));
        for (size_t i = 0; i < boxes.size(); ++i) {
            const double phase = 2 * M_PI * (t * 2 + i / 3.0);
            const double bounce = std::abs(std::sin(phase)) * 110;
            QTransform m = QTransform::fromTranslate(120 + 150 * i, 270 - bounce);
            m.rotate(360 * t * (i % 2 ? -1 : 1));
            movie.move(10 + int(i), m);
        }
        swftest::Place morph;
        morph.depth = 20;
        morph.move = true;
        morph.ratio = qRound(65535 * (0.5 - 0.5 * std::cos(2 * M_PI * t)));
        movie.place(morph);
        movie.showFrame();
    }
    return movie.finish(swftest::Compression::Zlib);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: vantrel-make-demo OUT.swf\n");
        return 2;
    }
    const QString path = args[1];
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(buildDemo()) < 0) {
        std::fprintf(stderr, "vantrel-make-demo: cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}
