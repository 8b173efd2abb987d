// Drawing of shapes, styles and the display tree, with movies built in code: colours at
// known points inside and outside fills, gradients, strokes, morphs, masks, colour
// transforms, nested sprites, and pictures kept between frames.
#include "render_check.h"
#include "swf/Player.h"
#include "swf/render/raster_cache.h"
#include "swf_builder.h"

#include <QTest>

#include <limits>

using namespace swftest;

Q_DECLARE_METATYPE(swftest::ColorTransformValues)

class SwfRenderTest : public QObject {
    Q_OBJECT

  private slots:
    // Movies drawn once: the colours at chosen points of the stage.
    void pictures_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<Probes>("probes");
        const QColor bg = kBackground;
        {
            SwfBuilder b = stage();
            ShapeBuilder donut;
            const int fill = donut.addSolidFill(Qt::red);
            donut.rectangle(QRectF(10, 10, 80, 80), fill);
            donut.rectangle(QRectF(30, 30, 40, 40), fill); // same fill inside: a hole
            // A second square described with the fill on its left (counter-clockwise outline).
            donut.setStyles(donut.addSolidFill(Qt::green), 0, 0);
            donut.moveTo(QPointF(0, 0));
            for (const QPointF& corner : {QPointF(0, 8), QPointF(8, 8), QPointF(8, 0), QPointF(0, 0)})
                donut.lineTo(corner);
            b.place(1, b.defineShape(donut, 3));
            QTest::newRow("holes and left fills")
                << shown(b) << Probes{{20, 50, Qt::red}, {50, 50, bg}, {4, 4, Qt::green}};
        }
        {
            // Some tools wrote empty or wrong bounds; what the edges cover is what shows.
            SwfBuilder b = stage();
            ShapeBuilder shape;
            shape.rectangle(QRectF(60, 60, 30, 30), shape.addSolidFill(Qt::red));
            const int id = b.reserveId();
            Writer w;
            w.u16(id);
            w.rect(QRectF(0, 0, 20, 20)); // twips: a single pixel in the corner
            w.bytes(shape.encode(3));
            b.rawTag(32, w.data());
            b.place(1, id);
            QTest::newRow("wrong declared bounds") << shown(b) << Probes{{75, 75, Qt::red}};
        }
        const auto gradient = [](const char* name, int version, auto addFill, Probes probes) {
            SwfBuilder b = stage();
            ShapeBuilder shape;
            shape.rectangle(QRectF(0, 0, 100, 100), addFill(shape));
            b.place(1, b.defineShape(shape, version));
            for (Probe& probe : probes)
                probe.tolerance = 24;
            QTest::newRow(name) << shown(b) << probes;
        };
        const auto linear = [](std::vector<swftest::GradientStop> records) {
            return [records](ShapeBuilder& s) {
                return s.addLinearGradient(QPointF(0, 0), QPointF(100, 0), records);
            };
        };
        gradient("linear ends", 3, linear({{0, Qt::red}, {128, Qt::green}, {255, Qt::blue}}),
                 {{2, 50, Qt::red}, {97, 50, Qt::blue}, {50, 10, Qt::green}, {50, 90, Qt::green}});
        gradient("radial centre and rim", 3,
                 [](ShapeBuilder& s) {
                     return s.addRadialGradient(QPointF(50, 50), 50, {{0, Qt::white}, {255, Qt::black}});
                 },
                 {{50, 50, Qt::white}, {2, 2, Qt::black}});
        gradient("reflect repeats mirrored", 3,
                 [](ShapeBuilder& s) {
                     return s.addLinearGradient(QPointF(25, 0), QPointF(50, 0),
                                                {{0, Qt::red}, {255, Qt::blue}}, swftest::Spread::Reflect);
                 },
                 {{1, 50, Qt::blue}, {74, 50, Qt::red}});
        // Mixed in linear light, half way from black to white is far lighter than mid grey.
        gradient("linear light", 4,
                 [](ShapeBuilder& s) {
                     return s.addLinearGradient(QPointF(0, 0), QPointF(100, 0),
                                                {{0, Qt::black}, {255, Qt::white}}, swftest::Spread::Pad,
                                                swftest::Interpolation::LinearRgb);
                 },
                 {{1, 50, Qt::black}, {50, 50, QColor(188, 188, 188)}});
        {
            // A shape's second set of styles (new style arrays) draws above the first set's lines.
            SwfBuilder b = stage();
            ShapeBuilder shape;
            shape.rectangle(QRectF(10, 10, 40, 40), shape.addSolidFill(Qt::blue),
                            shape.addLine(8, Qt::green));
            shape.newStyles();
            shape.rectangle(QRectF(30, 30, 40, 40), shape.addSolidFill(Qt::red));
            b.place(1, b.defineShape(shape, 2));
            QTest::newRow("later style sets draw above")
                << shown(b) << Probes{{50, 40, Qt::red}, {10, 30, Qt::green}};
        }
        // A (100,200,50) square over a (200,100,50) one, in the modes no reference movie shows.
        for (auto [mode, overlap] : {std::pair{3, QColor(78, 78, 10)}, {6, QColor(100, 100, 50)}}) {
            SwfBuilder b = stage();
            b.place(1, b.defineRect(QRectF(0, 0, 60, 100), QColor(200, 100, 50)));
            Place top;
            top.depth = 2;
            top.characterId = b.defineRect(QRectF(40, 0, 60, 100), QColor(100, 200, 50));
            top.blendMode = mode;
            b.placeObject3(top);
            QTest::addRow("blend mode %d", mode)
                << shown(b) << Probes{{50, 50, overlap, 2}, {20, 50, QColor(200, 100, 50)}};
        }
        {
            // A shadow at distance 0 shows round the edge of a black 40-pixel square, like a glow.
            SwfBuilder b = stage();
            Place square;
            square.characterId = b.defineRect(QRectF(20, 20, 40, 40), Qt::black);
            square.filterList = dropShadowFilters(Qt::blue, 8, 0, 0, 2);
            b.placeObject3(square);
            QTest::newRow("shadow at distance 0")
                << shown(b) << Probes{{18, 40, QColor(100, 100, 255), 60}, {5, 5, bg, 4}};
        }
        {
            // A filtered clip's layer makes room for the filters of the clips inside it: a shadow
            // cast far from a small square still shows when the square's parent is blurred.
            SwfBuilder b = stage();
            SwfBuilder inner(8, QSize(100, 100), 12);
            Place shadowed;
            shadowed.characterId = b.defineRect(QRectF(0, 0, 20, 20), Qt::black);
            shadowed.filterList = dropShadowFilters(Qt::red, 1, 0, 40); // 40 px to the right
            inner.placeObject3(shadowed);
            inner.showFrame();
            Place parent;
            parent.characterId = b.defineSprite(inner);
            parent.matrix = QTransform::fromTranslate(10, 40);
            parent.filterList = blurFilters(2, 2);
            b.placeObject3(parent);
            QTest::newRow("nested shadow leaves its parent's box")
                << shown(b) << Probes{{20, 50, Qt::black}, {60, 50, Qt::red}};
        }
        {
            SwfBuilder b = stage();
            Place hidden;
            hidden.characterId = b.defineRect(QRectF(0, 0, 50, 50), Qt::red);
            hidden.visible = false;
            b.placeObject3(hidden);
            Place shown;
            shown.depth = 2;
            shown.characterId = b.defineRect(QRectF(50, 50, 50, 50), Qt::blue);
            shown.visible = true;
            b.placeObject3(shown);
            QTest::newRow("invisible objects are not drawn")
                << swftest::shown(b) << Probes{{25, 25, bg}, {75, 75, Qt::blue}};
        }
    }
    void pictures() {
        QFETCH(QByteArray, movie);
        QFETCH(Probes, probes);
        checkProbes(renderMovie(movie), probes);
    }

    void strokes() {
        SwfBuilder b = stage();
        ShapeBuilder shape;
        const int line = shape.addLine(6, Qt::blue);
        const int fill = shape.addSolidFill(Qt::yellow);
        shape.rectangle(QRectF(20, 20, 60, 60), fill, line);
        ShapeBuilder hairline;
        hairline.setStyles(0, 0, hairline.addLine(0, Qt::black));
        hairline.moveTo(QPointF(5.5, 0));
        hairline.lineTo(QPointF(5.5, 100));
        b.place(1, b.defineShape(shape, 3));
        Place scaledDown;
        scaledDown.depth = 2;
        scaledDown.characterId = b.defineShape(hairline, 3);
        scaledDown.matrix = QTransform::fromScale(0.1, 1); // still one pixel wide
        b.place(scaledDown);
        b.showFrame();
        const QImage image = renderMovie(b.finish(), 1, swf::Quality::Low);
        CHECK_PIXEL(image, 20, 50, Qt::blue);
        CHECK_PIXEL(image, 22, 50, Qt::blue);
        CHECK_PIXEL(image, 50, 50, Qt::yellow);
        CHECK_PIXEL(image, 15, 50, kBackground);
        QVERIFY(!near(image.pixel(0, 50), kBackground) || !near(image.pixel(1, 50), kBackground));
    }

    void lowQualityHasNoAntialiasing() {
        SwfBuilder b = stage();
        ShapeBuilder triangle;
        triangle.polygon(QPolygonF({QPointF(0, 0), QPointF(100, 0), QPointF(0, 73)}),
                         triangle.addSolidFill(Qt::black));
        b.place(1, b.defineShape(triangle, 3));
        b.showFrame();
        const QImage low = renderMovie(b.finish(), 1, swf::Quality::Low);
        const QImage high = renderMovie(b.finish(), 1, swf::Quality::High);
        auto grays = [](const QImage& image) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const int v = qRed(image.pixel(x, y));
                    if (v > 10 && v < 245) ++count;
                }
            return count;
        };
        QCOMPARE(grays(low), 0);
        QVERIFY(grays(high) > 20);
    }

    void filteredLayerOverTheStageEdges_data() {
        QTest::addColumn<QByteArray>("filters");
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<double>("scale");
        // Dark blue rectangles on the 100 x 100 white stage, reaching past its edges.
        QTest::newRow("blur 12") << blurFilters(12, 12) << QRectF(-20, -20, 140, 140) << 1.0;
        QTest::newRow("blur 8, three passes") << blurFilters(8, 8, 3) << QRectF(-15, -15, 130, 130) << 1.0;
        QTest::newRow("blur 10 at scale 2") << blurFilters(10, 10) << QRectF(-20, -20, 140, 140) << 2.0;
        QTest::newRow("blur 30 wide only") << blurFilters(30, 0) << QRectF(-40, 10, 180, 80) << 1.0;
        QTest::newRow("glow") << glowFilters(Qt::red, 12, 2) << QRectF(-20, -20, 140, 140) << 1.0;
        QTest::newRow("blur and shadow")
            << joinedFilters({blurFilters(6, 6), dropShadowFilters(Qt::red, 6, 0, 4)})
            << QRectF(-20, -20, 140, 140) << 1.0;
    }

    // A blurred layer whose content covers the stage keeps its colour up to the stage's edges:
    // what lies just outside the stage blurs in, not transparency.
    void filteredLayerOverTheStageEdges() {
        QFETCH(QByteArray, filters);
        QFETCH(QRectF, rect);
        QFETCH(double, scale);
        SwfBuilder b = stage();
        Place cover;
        cover.characterId = b.defineRect(rect, QColor(20, 40, 120));
        cover.filterList = filters;
        b.placeObject3(cover);
        b.showFrame();
        swf::Player player;
        QVERIFY(player.loadBytes(b.finish()));
        const QImage image = render(player, swf::Quality::High, scale);
        const QRect inside =
            QRectF(rect.topLeft() * scale, rect.size() * scale).toAlignedRect() & image.rect();
        const QColor middle = image.pixelColor(inside.center());
        QVERIFY2(near(middle.rgb(), QColor(20, 40, 120), 3), qPrintable(describe(middle.rgb())));
        for (const QPoint& edge :
             {QPoint(inside.center().x(), inside.top()), QPoint(inside.center().x(), inside.bottom()),
              QPoint(inside.left(), inside.center().y()), QPoint(inside.right(), inside.center().y()),
              inside.topLeft(), inside.bottomRight()})
            QVERIFY2(near(image.pixel(edge), middle, 3), qPrintable(QStringLiteral("at %1,%2: %3")
                                                                        .arg(edge.x())
                                                                        .arg(edge.y())
                                                                        .arg(describe(image.pixel(edge)))));
    }

    void redrawnObjectsFollowTheirChanges_data() {
        QTest::addColumn<QTransform>("matrix");
        QTest::addColumn<ColorTransformValues>("colorTransform");
        QTest::addColumn<int>("ratio");
        const QTransform at = QTransform::fromTranslate(30, 30);
        QTest::newRow("scaled") << QTransform::fromScale(1.5, 1.5) * at << ColorTransformValues{} << 0;
        QTest::newRow("turned") << QTransform().rotate(30) * at << ColorTransformValues{} << 0;
        QTest::newRow("skewed") << QTransform(1, 0.4, 0, 1, 0, 0) * at << ColorTransformValues{} << 0;
        QTest::newRow("moved part of a pixel")
            << QTransform::fromTranslate(30.35, 30.6) << ColorTransformValues{} << 0;
        QTest::newRow("moved whole pixels")
            << QTransform::fromTranslate(47, 21) << ColorTransformValues{} << 0;
        QTest::newRow("tinted") << at << ColorTransformValues{.redMult = 60, .blueAdd = 90} << 0;
        QTest::newRow("faded") << at << ColorTransformValues{.alphaMult = 100} << 0;
        QTest::newRow("morphed") << at << ColorTransformValues{} << 40000;
    }

    // Pictures of objects are kept between frames; an object whose matrix, colour transform or
    // morph ratio changed must look as if drawn for the first time.
    void redrawnObjectsFollowTheirChanges() {
        QFETCH(QTransform, matrix);
        QFETCH(ColorTransformValues, colorTransform);
        QFETCH(int, ratio);
        SwfBuilder b = stage();
        ShapeBuilder shape;
        const int fill =
            shape.addLinearGradient(QPointF(-20, 0), QPointF(20, 0), {{0, Qt::red}, {255, Qt::blue}});
        shape.ellipse(QRectF(-20, -15, 40, 30), fill, shape.addLine(2, Qt::black));
        ShapeBuilder start, end;
        start.rectangle(QRectF(-20, -10, 40, 20), 1);
        end.ellipse(QRectF(-10, -20, 20, 40), 1);
        const int id =
            ratio ? b.defineMorphShape(start, end, {Qt::green}, {Qt::magenta}) : b.defineShape(shape);
        Place first;
        first.characterId = id;
        first.matrix = QTransform::fromTranslate(30, 30);
        first.ratio = 0;
        b.place(first);
        b.showFrame();
        Place second;
        second.move = true;
        second.matrix = matrix;
        second.colorTransform = colorTransform;
        second.ratio = ratio;
        b.place(second);
        b.showFrame();
        const QByteArray movie = b.finish();

        swf::Player watched;
        QVERIFY(watched.loadBytes(movie));
        const QImage before = render(watched);
        watched.advance();
        const QImage after = render(watched);
        QVERIFY(after != before);
        swf::Player fresh;
        QVERIFY(fresh.loadBytes(movie));
        fresh.advance();
        QCOMPARE(after, render(fresh));
        // Back to the first frame's state: the first picture again.
        watched.gotoFrame(0);
        QCOMPARE(render(watched), before);
    }

    void rasterCacheKeepsToItsBudget() {
        using swf::render::RasterCache;
        using swf::render::RasterKey;
        const QImage picture(100, 100, QImage::Format_ARGB32_Premultiplied); // 40,000 bytes
        RasterCache cache(10 * picture.sizeInBytes() + 1000);
        int sources[40] = {};
        auto keyOf = [&](int i) {
            RasterKey key;
            key.source = &sources[i];
            return key;
        };
        for (int i = 0; i < 40; ++i) {
            cache.insert(keyOf(i), {picture, QPoint(i, 0)});
            QVERIFY(cache.bytes() <= cache.budget());
            QVERIFY(cache.find(keyOf(0))); // used every time, so never the one to go
        }
        QCOMPARE(cache.size(), 10);
        QCOMPARE(cache.find(keyOf(0))->origin, QPoint(0, 0));
        QCOMPARE(cache.find(keyOf(39))->origin, QPoint(39, 0));
        QVERIFY(!cache.find(keyOf(30)));
        // Another colour transform or sub-pixel offset is another picture.
        RasterKey tinted = keyOf(39);
        tinted.cx.redMult = 10;
        QVERIFY(!cache.find(tinted));
        RasterKey shifted = keyOf(39);
        shifted.subpixelX = 1;
        QVERIFY(!cache.find(shifted));
        // A picture larger than the whole budget is drawn once and not kept.
        const QImage huge(1000, 1000, QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(cache.insert(keyOf(1), {huge, QPoint()}).image.size(), huge.size());
        QVERIFY(!cache.find(keyOf(1)));
        QVERIFY(cache.bytes() <= cache.budget());
        // Nor is one whose key can never be found again, whatever a broken matrix holds.
        RasterKey broken = keyOf(2);
        broken.m11 = std::numeric_limits<double>::quiet_NaN();
        for (int i = 0; i < 20; ++i)
            cache.insert(broken, {picture, QPoint()});
        QCOMPARE(cache.size(), 10);
        QVERIFY(cache.find(keyOf(0)));
    }

    // On a screen scaled by two, the widget's painter counts logical pixels; shapes must still be
    // drawn in the device's own pixels, as sharp as drawing at twice the scale.
    void scaledScreensGetEveryDevicePixel() {
        SwfBuilder b = stage();
        ShapeBuilder shape;
        shape.ellipse(QRectF(10, 10, 60, 45), shape.addSolidFill(Qt::blue));
        b.place(1, b.defineShape(shape), QTransform::fromTranslate(7.3, 11.6));
        b.showFrame();
        swf::Player player;
        QVERIFY(player.loadBytes(b.finish()));
        QImage scaledScreen(200, 200, QImage::Format_ARGB32_Premultiplied);
        scaledScreen.setDevicePixelRatio(2);
        {
            QPainter painter(&scaledScreen);
            player.render(painter, QTransform::fromScale(1 / 20.0, 1 / 20.0), swf::Quality::High);
        }
        const QImage twice = render(player, swf::Quality::High, 2);
        int worst = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x) {
                const QRgb a = scaledScreen.pixel(x, y), e = twice.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(a) - qRed(e)), std::abs(qGreen(a) - qGreen(e)),
                                  std::abs(qBlue(a) - qBlue(e))});
            }
        QVERIFY2(worst <= 16, qPrintable(QString::number(worst)));
    }
};

QTEST_MAIN(SwfRenderTest)
#include "render_test.moc"
