// Helpers for drawing tests: render a movie at stage size and check colours at points.
#pragma once

#include "swf/Player.h"
#include "swf_builder.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace swftest {

inline const QColor kBackground(255, 255, 255);

inline QImage render(swf::Player& player, swf::Quality quality = swf::Quality::High, double scale = 1) {
    QImage image(player.stageSize() * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    player.render(painter, QTransform::fromScale(scale / 20, scale / 20), quality);
    return image;
}

// Loads movie, shows frame 1 and plays until frames are shown, then draws the stage.
inline QImage renderMovie(const QByteArray& movie, int frames = 1,
                          swf::Quality quality = swf::Quality::High) {
    swf::Player player;
    if (!player.loadBytes(movie)) return {};
    for (int i = 1; i < frames; ++i)
        player.advance();
    return render(player, quality);
}

inline bool near(QRgb actual, const QColor& expected, int tolerance = 6) {
    return std::abs(qRed(actual) - expected.red()) <= tolerance &&
           std::abs(qGreen(actual) - expected.green()) <= tolerance &&
           std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

inline QString describe(QRgb c) {
    return QStringLiteral("rgb(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// A 100x100 white stage.
inline SwfBuilder stage(int version = 8) {
    SwfBuilder b(version, QSize(100, 100), 12);
    b.setBackground(kBackground);
    return b;
}

// Ends the builder's frame and gives the movie.
inline QByteArray shown(SwfBuilder& b) {
    b.showFrame();
    return b.finish();
}

// A colour expected at a stage pixel, within a tolerance per channel.
struct Probe {
    int x, y;
    QColor color;
    int tolerance = 6;
};
using Probes = QList<Probe>;

// Fails the running test at the first probe the picture does not match.
inline void checkProbes(const QImage& image, const Probes& probes) {
    for (const Probe& p : probes)
        QVERIFY2(near(image.pixel(p.x, p.y), p.color, p.tolerance),
                 qPrintable(QString::asprintf("at %d,%d: %s, wanted %s", p.x, p.y,
                                              qPrintable(describe(image.pixel(p.x, p.y))),
                                              qPrintable(describe(p.color.rgb())))));
}

} // namespace swftest

Q_DECLARE_METATYPE(swftest::Probe)

#define CHECK_PIXEL(image, x, y, color)                                                                      \
    QVERIFY2(swftest::near((image).pixel((x), (y)), (color)),                                                \
             qPrintable(QStringLiteral("at %1,%2: %3, wanted %4")                                            \
                            .arg(x)                                                                          \
                            .arg(y)                                                                          \
                            .arg(swftest::describe((image).pixel((x), (y))))                                 \
                            .arg(swftest::describe(QColor(color).rgb()))))
