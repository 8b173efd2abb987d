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
    void solidShapes_data() {
        QTest::addColumn<int>("shapeVersion");
        QTest::addColumn<QColor>("color");
        QTest::newRow("DefineShape") << 1 << QColor(200, 30, 40);
        QTest::newRow("DefineShape2") << 2 << QColor(20, 130, 40);
        QTest::newRow("DefineShape3 half alpha") << 3 << QColor(0, 0, 255, 128);
        QTest::newRow("DefineShape4") << 4 << QColor(90, 90, 10);
    }

    void solidShapes() {
        QFETCH(int, shapeVersion);
        QFETCH(QColor, color);
        SwfBuilder b = stage();
        b.place(1, b.defineRect(QRectF(20, 20, 40, 30), color, shapeVersion));
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        const QColor blended = QColor::fromRgbF(color.redF() * color.alphaF() + (1 - color.alphaF()),
                                                color.greenF() * color.alphaF() + (1 - color.alphaF()),
                                                color.blueF() * color.alphaF() + (1 - color.alphaF()));
        CHECK_PIXEL(image, 40, 35, blended);
        CHECK_PIXEL(image, 10, 10, kBackground);
        CHECK_PIXEL(image, 65, 35, kBackground);
    }

    void holesAndLeftFills() {
        SwfBuilder b = stage();
        ShapeBuilder donut;
        const int fill = donut.addSolidFill(Qt::red);
        donut.rectangle(QRectF(10, 10, 80, 80), fill);
        donut.rectangle(QRectF(30, 30, 40, 40), fill); // same fill inside: a hole
        // A second square described with the fill on its left (counter-clockwise outline).
        const int green = donut.addSolidFill(Qt::green);
        donut.setStyles(green, 0, 0);
        donut.moveTo(QPointF(0, 0));
        donut.lineTo(QPointF(0, 8));
        donut.lineTo(QPointF(8, 8));
        donut.lineTo(QPointF(8, 0));
        donut.lineTo(QPointF(0, 0));
        b.place(1, b.defineShape(donut, 3));
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        CHECK_PIXEL(image, 20, 50, Qt::red);
        CHECK_PIXEL(image, 50, 50, kBackground);
        CHECK_PIXEL(image, 4, 4, Qt::green);
    }

    void wrongDeclaredBoundsStillDraw() {
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
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        CHECK_PIXEL(image, 75, 75, Qt::red);
    }

    void gradients_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QPoint>("first");
        QTest::addColumn<QColor>("firstColor");
        QTest::addColumn<QPoint>("second");
        QTest::addColumn<QColor>("secondColor");
        QTest::newRow("linear ends") << "linear" << QPoint(2, 50) << QColor(Qt::red) << QPoint(97, 50)
                                     << QColor(Qt::blue);
        QTest::newRow("linear middle stop")
            << "linear" << QPoint(50, 10) << QColor(Qt::green) << QPoint(50, 90) << QColor(Qt::green);
        QTest::newRow("radial centre and rim")
            << "radial" << QPoint(50, 50) << QColor(Qt::white) << QPoint(2, 2) << QColor(Qt::black);
        QTest::newRow("reflect repeats mirrored")
            << "reflect" << QPoint(1, 50) << QColor(Qt::blue) << QPoint(74, 50) << QColor(Qt::red);
        QTest::newRow("backward ratios give a hard edge")
            << "backward" << QPoint(30, 50) << QColor(Qt::red) << QPoint(70, 50) << QColor(Qt::green);
        // Records 31 red, 80 green, 50 cyan, 100 magenta: ratio 90 (x 35) lies between the first
        // record past it (magenta) and the one before that (cyan), 80% of the way.
        QTest::newRow("backward ratios mix with the record before")
            << "backward2" << QPoint(5, 50) << QColor(Qt::red) << QPoint(35, 50) << QColor(204, 51, 255);
        // Mixed in linear light, half way from black to white is far lighter than mid grey.
        QTest::newRow("linear light")
            << "linearlight" << QPoint(1, 50) << QColor(Qt::black) << QPoint(50, 50) << QColor(188, 188, 188);
    }

    void gradients() {
        QFETCH(QString, kind);
        QFETCH(QPoint, first);
        QFETCH(QColor, firstColor);
        QFETCH(QPoint, second);
        QFETCH(QColor, secondColor);
        SwfBuilder b = stage();
        ShapeBuilder shape;
        int fill = 0;
        if (kind == "linear")
            fill = shape.addLinearGradient(QPointF(0, 0), QPointF(100, 0),
                                           {{0, Qt::red}, {128, Qt::green}, {255, Qt::blue}});
        else if (kind == "radial")
            fill = shape.addRadialGradient(QPointF(50, 50), 50, {{0, Qt::white}, {255, Qt::black}});
        else if (kind == "reflect")
            fill = shape.addLinearGradient(QPointF(25, 0), QPointF(50, 0), {{0, Qt::red}, {255, Qt::blue}},
                                           swftest::Spread::Reflect);
        else if (kind == "linearlight")
            fill = shape.addLinearGradient(QPointF(0, 0), QPointF(100, 0), {{0, Qt::black}, {255, Qt::white}},
                                           swftest::Spread::Pad, swftest::Interpolation::LinearRgb);
        else if (kind == "backward2")
            fill =
                shape.addLinearGradient(QPointF(0, 0), QPointF(100, 0),
                                        {{31, Qt::red}, {80, Qt::green}, {50, Qt::cyan}, {100, Qt::magenta}});
        else
            fill = shape.addLinearGradient(QPointF(0, 0), QPointF(100, 0), {{127, Qt::red}, {0, Qt::green}});
        shape.rectangle(QRectF(0, 0, 100, 100), fill);
        b.place(1, b.defineShape(shape, kind == "linearlight" ? 4 : 3));
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        QVERIFY(near(image.pixel(first), firstColor, 24));
        QVERIFY2(near(image.pixel(second), secondColor, 24), qPrintable(describe(image.pixel(second))));
    }

    // A shape's second set of styles (new style arrays) draws above the first set's lines.
    void laterStyleSetsDrawAbove() {
        SwfBuilder b = stage();
        ShapeBuilder shape;
        shape.rectangle(QRectF(10, 10, 40, 40), shape.addSolidFill(Qt::blue), shape.addLine(8, Qt::green));
        shape.newStyles();
        shape.rectangle(QRectF(30, 30, 40, 40), shape.addSolidFill(Qt::red));
        b.place(1, b.defineShape(shape, 2));
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        QVERIFY2(near(image.pixel(50, 40), Qt::red),
                 qPrintable(describe(image.pixel(50, 40)))); // on the green line
        QVERIFY(near(image.pixel(10, 30), Qt::green));
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

    void morphByRatio_data() {
        QTest::addColumn<int>("ratio");
        QTest::addColumn<QPoint>("inside");
        QTest::addColumn<QPoint>("outside");
        QTest::addColumn<QColor>("color");
        QTest::newRow("start") << 0 << QPoint(15, 50) << QPoint(60, 50) << QColor(255, 0, 0);
        QTest::newRow("half") << 32768 << QPoint(50, 50) << QPoint(80, 50) << QColor(128, 0, 128);
        QTest::newRow("end") << 65535 << QPoint(85, 50) << QPoint(40, 50) << QColor(0, 0, 255);
    }

    void morphByRatio() {
        QFETCH(int, ratio);
        QFETCH(QPoint, inside);
        QFETCH(QPoint, outside);
        QFETCH(QColor, color);
        // A square sliding from x 10..30 to x 70..90 (curved on one side at the end), red to blue.
        ShapeBuilder start, end;
        start.setStyles(0, 1, 0);
        start.moveTo(QPointF(10, 40));
        start.lineTo(QPointF(30, 40));
        start.lineTo(QPointF(30, 60));
        start.lineTo(QPointF(10, 60));
        start.lineTo(QPointF(10, 40));
        end.moveTo(QPointF(70, 40));
        end.lineTo(QPointF(90, 40));
        end.curveTo(QPointF(95, 50), QPointF(90, 60));
        end.lineTo(QPointF(70, 60));
        end.lineTo(QPointF(70, 40));
        SwfBuilder b = stage();
        const int id = b.defineMorphShape(start, end, {Qt::red}, {Qt::blue});
        Place place;
        place.characterId = id;
        place.ratio = ratio;
        b.place(place);
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        QVERIFY2(near(image.pixel(inside), color, 3), qPrintable(describe(image.pixel(inside))));
        CHECK_PIXEL(image, outside.x(), outside.y(), kBackground);
    }

    void masks() {
        SwfBuilder b = stage();
        const int maskShape = b.defineRect(QRectF(0, 0, 50, 100), Qt::black);
        const int content = b.defineRect(QRectF(0, 0, 100, 100), Qt::red);
        const int innerMask = b.defineRect(QRectF(0, 0, 100, 30), Qt::black);
        const int above = b.defineRect(QRectF(0, 80, 100, 20), Qt::green);
        Place mask;
        mask.depth = 1;
        mask.characterId = maskShape;
        mask.clipDepth = 5;
        b.place(mask);
        Place nested;
        nested.depth = 2;
        nested.characterId = innerMask;
        nested.clipDepth = 3;
        b.place(nested);
        b.place(3, content); // under both masks: only x < 50 and y < 30
        b.place(4, b.defineRect(QRectF(0, 40, 100, 20), Qt::blue)); // under the outer mask only
        b.place(6, above);                                          // past the mask
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        CHECK_PIXEL(image, 20, 10, Qt::red);
        CHECK_PIXEL(image, 70, 10, kBackground);
        CHECK_PIXEL(image, 20, 35, kBackground);
        CHECK_PIXEL(image, 20, 50, Qt::blue);
        CHECK_PIXEL(image, 70, 50, kBackground);
        CHECK_PIXEL(image, 70, 90, Qt::green);
        CHECK_PIXEL(image, 20, 90, Qt::green);
    }

    void colorTransformsMultiplyDownTheTree() {
        SwfBuilder b = stage();
        const int gray = b.defineRect(QRectF(0, 0, 100, 100), QColor(200, 200, 200));
        SwfBuilder inner(8);
        Place child;
        child.characterId = gray;
        ColorTransformValues halfRed;
        halfRed.redMult = 128; // 200 -> 100
        child.colorTransform = halfRed;
        inner.place(child);
        inner.showFrame();
        const int sprite = b.defineSprite(inner);
        Place outer;
        outer.characterId = sprite;
        ColorTransformValues shift;
        shift.greenMult = 0;
        shift.blueAdd = -100; // green 0, blue 100
        shift.redAdd = 20;    // red 100 + 20
        outer.colorTransform = shift;
        b.place(outer);
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        CHECK_PIXEL(image, 50, 50, QColor(120, 0, 100));
    }

    void nestedSpritesAdvance() {
        // A sprite inside a sprite, each moving its child 10 pixels a frame; the root stands still.
        SwfBuilder b = stage();
        const int dot = b.defineRect(QRectF(0, 0, 10, 10), Qt::red);
        SwfBuilder inner(8);
        inner.place(1, dot);
        inner.showFrame();
        for (int i = 1; i < 4; ++i) {
            inner.move(1, QTransform::fromTranslate(0, 10 * i));
            inner.showFrame();
        }
        const int innerId = b.defineSprite(inner);
        SwfBuilder outer(8);
        outer.place(1, innerId);
        outer.showFrame();
        for (int i = 1; i < 4; ++i) {
            outer.move(1, QTransform::fromTranslate(10 * i, 0));
            outer.showFrame();
        }
        b.place(1, b.defineSprite(outer));
        b.showFrame();
        for (int frames = 1; frames <= 5; ++frames) {
            const QImage image = renderMovie(b.finish(), frames);
            const int step = (frames - 1) % 4;
            CHECK_PIXEL(image, 10 * step + 5, 10 * step + 5, Qt::red);
            CHECK_PIXEL(image, 10 * step + 5, 10 * step + 15, kBackground);
        }
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

    void blendModes_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QColor>("overlap");
        // A (100,200,50) square over a (200,100,50) one.
        QTest::newRow("normal") << 1 << QColor(100, 200, 50);
        QTest::newRow("multiply") << 3 << QColor(78, 78, 10);
        QTest::newRow("lighten") << 5 << QColor(200, 200, 50);
        QTest::newRow("darken") << 6 << QColor(100, 100, 50);
        QTest::newRow("difference") << 7 << QColor(100, 100, 0);
        QTest::newRow("add") << 8 << QColor(255, 255, 100);
        QTest::newRow("subtract") << 9 << QColor(100, 0, 0);
        QTest::newRow("invert") << 10 << QColor(55, 155, 205);
    }

    void blendModes() {
        QFETCH(int, mode);
        QFETCH(QColor, overlap);
        SwfBuilder b = stage();
        b.place(1, b.defineRect(QRectF(0, 0, 60, 100), QColor(200, 100, 50)));
        Place top;
        top.depth = 2;
        top.characterId = b.defineRect(QRectF(40, 0, 60, 100), QColor(100, 200, 50));
        top.blendMode = mode;
        b.placeObject3(top);
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        QVERIFY2(near(image.pixel(50, 50), overlap, 2), qPrintable(describe(image.pixel(50, 50))));
        CHECK_PIXEL(image, 20, 50, QColor(200, 100, 50));
    }

    void filters_data() {
        QTest::addColumn<QByteArray>("filters");
        QTest::addColumn<QPoint>("changed");
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QPoint>("untouched");
        // A black 40-pixel square at 20,20.
        QTest::newRow("drop shadow below right") << dropShadowFilters(Qt::red, 2, 0.785398, 10)
                                                 << QPoint(65, 65) << QColor(Qt::red) << QPoint(15, 15);
        QTest::newRow("glow-like shadow at distance 0 shows round the edge")
            << dropShadowFilters(Qt::blue, 8, 0, 0, 2) << QPoint(18, 40) << QColor(100, 100, 255)
            << QPoint(5, 5);
        QTest::newRow("blur softens the edge")
            << blurFilters(16, 16) << QPoint(21, 40) << QColor(140, 140, 140) << QPoint(40, 40);
    }

    void filters() {
        QFETCH(QByteArray, filters);
        QFETCH(QPoint, changed);
        QFETCH(QColor, color);
        QFETCH(QPoint, untouched);
        SwfBuilder b = stage();
        Place square;
        square.characterId = b.defineRect(QRectF(20, 20, 40, 40), Qt::black);
        square.filterList = filters;
        b.placeObject3(square);
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        QVERIFY2(near(image.pixel(changed), color, 60), qPrintable(describe(image.pixel(changed))));
        const QColor before = untouched.x() < 20 ? kBackground : QColor(Qt::black);
        QVERIFY2(near(image.pixel(untouched), before, 4), qPrintable(describe(image.pixel(untouched))));
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

    // A filtered clip's layer makes room for the filters of the clips inside it: a shadow cast
    // far from a small square still shows when the square's parent is blurred.
    void nestedShadowLeavesItsParentsBox() {
        SwfBuilder b = stage();
        const int square = b.defineRect(QRectF(0, 0, 20, 20), Qt::black);
        SwfBuilder inner(8, QSize(100, 100), 12);
        Place shadowed;
        shadowed.characterId = square;
        shadowed.filterList = dropShadowFilters(Qt::red, 1, 0, 40); // 40 px to the right
        inner.placeObject3(shadowed);
        inner.showFrame();
        Place parent;
        parent.characterId = b.defineSprite(inner);
        parent.matrix = QTransform::fromTranslate(10, 40);
        parent.filterList = blurFilters(2, 2);
        b.placeObject3(parent);
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        CHECK_PIXEL(image, 20, 50, QColor(Qt::black));
        CHECK_PIXEL(image, 60, 50, QColor(Qt::red));
    }

    void invisibleObjectsAreNotDrawn() {
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
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        CHECK_PIXEL(image, 25, 25, kBackground);
        CHECK_PIXEL(image, 75, 75, Qt::blue);
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
        ColorTransformValues tint;
        tint.redMult = 60;
        tint.blueAdd = 90;
        QTest::newRow("tinted") << at << tint << 0;
        ColorTransformValues fade;
        fade.alphaMult = 100;
        QTest::newRow("faded") << at << fade << 0;
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
