// Drawing, per tag family, with movies built in code: colours at known points, and damaged
// variants of each definition that must load and draw without harm.
#include "swf/Player.h"
#include "swf_builder.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTest>

using swftest::ColorTransformValues;
using swftest::Place;
using swftest::ShapeBuilder;

namespace {

const QColor kBackground(255, 255, 255);

QImage render(swf::Player& player, swf::Quality quality = swf::Quality::High, double scale = 1) {
    QImage image(player.stageSize() * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    QPainter painter(&image);
    player.render(painter, QTransform::fromScale(scale / 20, scale / 20), quality);
    return image;
}

QImage renderMovie(const QByteArray& movie, int frames = 1, swf::Quality quality = swf::Quality::High) {
    swf::Player player;
    if (!player.loadBytes(movie)) return {};
    for (int i = 1; i < frames; ++i) player.advance();
    return render(player, quality);
}

bool near(QRgb actual, const QColor& expected, int tolerance = 6) {
    return std::abs(qRed(actual) - expected.red()) <= tolerance && std::abs(qGreen(actual) - expected.green()) <= tolerance &&
           std::abs(qBlue(actual) - expected.blue()) <= tolerance;
}

QString describe(QRgb c) { return QStringLiteral("rgb(%1,%2,%3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)); }

#define CHECK_PIXEL(image, x, y, color)                                                                        \
    QVERIFY2(near((image).pixel((x), (y)), (color)),                                                           \
             qPrintable(QStringLiteral("at %1,%2: %3, wanted %4")                                              \
                            .arg(x)                                                                            \
                            .arg(y)                                                                            \
                            .arg(describe((image).pixel((x), (y))))                                            \
                            .arg(describe(QColor(color).rgb()))))

SwfBuilder stage(int version = 8) {
    SwfBuilder b(version, QSize(100, 100), 12);
    b.setBackground(kBackground);
    return b;
}

QImage checkerImage() {
    QImage image(4, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) image.setPixel(x, y, ((x + y) % 2) ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    image.setPixel(0, 0, qRgb(0, 255, 0));
    return image;
}

// A movie whose first tag's body is cut to fraction of its length (header rewritten).
QByteArray cutFirstTag(const SwfBuilder& builder, double fraction) {
    const QByteArray tags = builder.tagBytes();
    const quint16 codeAndLength = quint8(tags[0]) | (quint8(tags[1]) << 8);
    int headerSize = 2;
    qint64 length = codeAndLength & 0x3f;
    if (length == 0x3f) {
        headerSize = 6;
        length = quint8(tags[2]) | (quint8(tags[3]) << 8) | (quint8(tags[4]) << 16) | (qint64(quint8(tags[5])) << 24);
    }
    const qint64 kept = qint64(length * fraction);
    SwfBuilder movie(8, QSize(100, 100), 12);
    movie.setBackground(kBackground);
    movie.rawTag(codeAndLength >> 6, tags.mid(headerSize, kept), true);
    movie.rawTag(26, {});  // an empty PlaceObject2: broken too
    movie.place(1, 1);
    movie.showFrame();
    return movie.finish();
}

}  // namespace

class SwfRenderTest : public QObject {
    Q_OBJECT

private slots:
    void solidShapes_data();
    void solidShapes();
    void holesAndLeftFills();
    void gradients_data();
    void gradients();
    void bitmaps_data();
    void bitmaps();
    void strokes();
    void morphByRatio_data();
    void morphByRatio();
    void masks();
    void colorTransformsMultiplyDownTheTree();
    void nestedSpritesAdvance();
    void gotoEqualsPlaying();
    void staticText();
    void buttonUpState();
    void editTextBorder();
    void lowQualityHasNoAntialiasing();
    void selfNestingIsBounded();
    void damagedDefinitions_data();
    void damagedDefinitions();
};

void SwfRenderTest::solidShapes_data() {
    QTest::addColumn<int>("shapeVersion");
    QTest::addColumn<QColor>("color");
    QTest::newRow("DefineShape") << 1 << QColor(200, 30, 40);
    QTest::newRow("DefineShape2") << 2 << QColor(20, 130, 40);
    QTest::newRow("DefineShape3 half alpha") << 3 << QColor(0, 0, 255, 128);
    QTest::newRow("DefineShape4") << 4 << QColor(90, 90, 10);
}

void SwfRenderTest::solidShapes() {
    QFETCH(int, shapeVersion);
    QFETCH(QColor, color);
    SwfBuilder b = stage();
    b.place(1, b.defineRect(QRectF(20, 20, 40, 30), color, shapeVersion));
    b.showFrame();
    const QImage image = renderMovie(b.finish());
    const QColor blended = QColor::fromRgbF(
        color.redF() * color.alphaF() + (1 - color.alphaF()), color.greenF() * color.alphaF() + (1 - color.alphaF()),
        color.blueF() * color.alphaF() + (1 - color.alphaF()));
    CHECK_PIXEL(image, 40, 35, blended);
    CHECK_PIXEL(image, 10, 10, kBackground);
    CHECK_PIXEL(image, 65, 35, kBackground);
}

void SwfRenderTest::holesAndLeftFills() {
    SwfBuilder b = stage();
    ShapeBuilder donut;
    const int fill = donut.addSolidFill(Qt::red);
    donut.rectangle(QRectF(10, 10, 80, 80), fill);
    donut.rectangle(QRectF(30, 30, 40, 40), fill);  // same fill inside: a hole
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

void SwfRenderTest::gradients_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QPoint>("first");
    QTest::addColumn<QColor>("firstColor");
    QTest::addColumn<QPoint>("second");
    QTest::addColumn<QColor>("secondColor");
    QTest::newRow("linear ends") << "linear" << QPoint(2, 50) << QColor(Qt::red) << QPoint(97, 50) << QColor(Qt::blue);
    QTest::newRow("linear middle stop") << "linear" << QPoint(50, 10) << QColor(Qt::green) << QPoint(50, 90)
                                        << QColor(Qt::green);
    QTest::newRow("radial centre and rim") << "radial" << QPoint(50, 50) << QColor(Qt::white) << QPoint(2, 2)
                                           << QColor(Qt::black);
    QTest::newRow("reflect repeats mirrored") << "reflect" << QPoint(1, 50) << QColor(Qt::blue) << QPoint(74, 50)
                                              << QColor(Qt::red);
    QTest::newRow("backward ratios give a hard edge") << "backward" << QPoint(30, 50) << QColor(Qt::red) << QPoint(70, 50)
                                                      << QColor(Qt::green);
}

void SwfRenderTest::gradients() {
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
    else
        fill = shape.addLinearGradient(QPointF(0, 0), QPointF(100, 0), {{127, Qt::red}, {0, Qt::green}});
    shape.rectangle(QRectF(0, 0, 100, 100), fill);
    b.place(1, b.defineShape(shape, 3));
    b.showFrame();
    const QImage image = renderMovie(b.finish());
    QVERIFY(near(image.pixel(first), firstColor, 24));
    QVERIFY2(near(image.pixel(second), secondColor, 24), qPrintable(describe(image.pixel(second))));
}

void SwfRenderTest::bitmaps_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("lossless 32-bit") << "lossless32" << 0;
    QTest::newRow("lossless2 32-bit alpha") << "lossless2" << 0;
    QTest::newRow("lossless colour-mapped") << "mapped" << 0;
    QTest::newRow("lossless2 colour-mapped") << "mapped2" << 0;
    QTest::newRow("lossless 15-bit") << "rgb15" << 8;
    QTest::newRow("JPEG2") << "jpeg2" << 60;
    QTest::newRow("JPEG2 with stray end-start marker") << "jpeg2bad" << 60;
    QTest::newRow("JPEG2 holding a PNG") << "png" << 0;
    QTest::newRow("JPEG3 with alpha plane") << "jpeg3" << 60;
}

void SwfRenderTest::bitmaps() {
    QFETCH(QString, kind);
    QFETCH(int, tolerance);
    SwfBuilder b = stage();
    const QImage checker = checkerImage();
    QImage big = checker.scaled(16, 16);  // JPEG needs blocks of one colour to stay close
    int id = 0;
    if (kind == "lossless32") id = b.defineBitsLossless(checker, false);
    if (kind == "lossless2") id = b.defineBitsLossless(checker, true);
    if (kind == "mapped") id = b.defineBitsLossless(checker, false, swftest::LosslessFormat::ColorMapped8);
    if (kind == "mapped2") id = b.defineBitsLossless(checker, true, swftest::LosslessFormat::ColorMapped8);
    if (kind == "rgb15") id = b.defineBitsLossless(checker, false, swftest::LosslessFormat::Rgb15);
    if (kind == "jpeg2") id = b.defineBitsJpeg2(big);
    if (kind == "jpeg2bad") id = b.defineBitsJpeg2(big, true);
    if (kind == "png") id = b.defineBitsJpeg2(checker, false, "PNG");
    if (kind == "jpeg3") {
        QImage withAlpha = big.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < 16; ++y)
            for (int x = 8; x < 16; ++x) withAlpha.setPixel(x, y, qRgba(0, 0, 0, 0));
        id = b.defineBitsJpeg3(withAlpha);
    }
    // The bitmap covers 10,10 .. 50,50 whatever its pixel count: ten stage pixels a cell.
    const double zoom = kind.startsWith("jpeg") ? 2.5 : 10.0;
    ShapeBuilder shape;
    const int fill = shape.addBitmapFill(id, QTransform().translate(10, 10).scale(zoom, zoom), false, false);
    shape.rectangle(QRectF(10, 10, 40, 40), fill);
    b.place(1, b.defineShape(shape, 3));
    b.showFrame();
    const QImage image = renderMovie(b.finish());
    QVERIFY2(near(image.pixel(15, 15), Qt::green, tolerance), qPrintable(describe(image.pixel(15, 15))));
    QVERIFY2(near(image.pixel(25, 15), Qt::red, tolerance), qPrintable(describe(image.pixel(25, 15))));
    if (kind == "jpeg3")
        CHECK_PIXEL(image, 45, 25, kBackground);  // transparent half
    else
        QVERIFY2(near(image.pixel(45, 25), Qt::blue, tolerance), qPrintable(describe(image.pixel(45, 25))));
    CHECK_PIXEL(image, 70, 70, kBackground);
}

void SwfRenderTest::strokes() {
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
    scaledDown.matrix = QTransform::fromScale(0.1, 1);  // still one pixel wide
    b.place(scaledDown);
    b.showFrame();
    const QImage image = renderMovie(b.finish(), 1, swf::Quality::Low);
    CHECK_PIXEL(image, 20, 50, Qt::blue);
    CHECK_PIXEL(image, 22, 50, Qt::blue);
    CHECK_PIXEL(image, 50, 50, Qt::yellow);
    CHECK_PIXEL(image, 15, 50, kBackground);
    QVERIFY(!near(image.pixel(0, 50), kBackground) || !near(image.pixel(1, 50), kBackground));
}

void SwfRenderTest::morphByRatio_data() {
    QTest::addColumn<int>("ratio");
    QTest::addColumn<QPoint>("inside");
    QTest::addColumn<QPoint>("outside");
    QTest::addColumn<QColor>("color");
    QTest::newRow("start") << 0 << QPoint(15, 50) << QPoint(60, 50) << QColor(255, 0, 0);
    QTest::newRow("half") << 32768 << QPoint(50, 50) << QPoint(80, 50) << QColor(128, 0, 128);
    QTest::newRow("end") << 65535 << QPoint(85, 50) << QPoint(40, 50) << QColor(0, 0, 255);
}

void SwfRenderTest::morphByRatio() {
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

void SwfRenderTest::masks() {
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
    b.place(3, content);  // under both masks: only x < 50 and y < 30
    b.place(4, b.defineRect(QRectF(0, 40, 100, 20), Qt::blue));  // under the outer mask only
    b.place(6, above);  // past the mask
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

void SwfRenderTest::colorTransformsMultiplyDownTheTree() {
    SwfBuilder b = stage();
    const int gray = b.defineRect(QRectF(0, 0, 100, 100), QColor(200, 200, 200));
    SwfBuilder inner(8);
    Place child;
    child.characterId = gray;
    ColorTransformValues halfRed;
    halfRed.redMult = 128;  // 200 -> 100
    child.colorTransform = halfRed;
    inner.place(child);
    inner.showFrame();
    const int sprite = b.defineSprite(inner);
    Place outer;
    outer.characterId = sprite;
    ColorTransformValues shift;
    shift.greenMult = 0;
    shift.blueAdd = -100;  // green 0, blue 100
    shift.redAdd = 20;     // red 100 + 20
    outer.colorTransform = shift;
    b.place(outer);
    b.showFrame();
    const QImage image = renderMovie(b.finish());
    CHECK_PIXEL(image, 50, 50, QColor(120, 0, 100));
}

void SwfRenderTest::nestedSpritesAdvance() {
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

void SwfRenderTest::gotoEqualsPlaying() {
    SwfBuilder b = stage();
    const int red = b.defineRect(QRectF(0, 0, 10, 10), Qt::red);
    const int blue = b.defineRect(QRectF(0, 0, 10, 10), Qt::blue);
    SwfBuilder spin(8);
    spin.place(1, blue);
    spin.showFrame();
    spin.move(1, QTransform::fromTranslate(0, 20));
    spin.showFrame();
    const int spinner = b.defineSprite(spin);
    b.place(1, red);
    for (int i = 0; i < 60; ++i) {
        if (i == 10) b.place(2, spinner, QTransform::fromTranslate(50, 0));
        if (i == 30) b.remove(2);
        if (i == 40) b.place(2, red, QTransform::fromTranslate(70, 70));
        if (i > 0) b.move(1, QTransform::fromTranslate(i, i));
        b.showFrame();
    }
    swf::Player reference;
    QVERIFY(reference.loadBytes(b.finish()));
    reference.stop();
    for (int target : {5, 12, 25, 35, 45, 59}) {
        reference.gotoFrame(0);
        for (int i = 0; i < target; ++i) reference.gotoFrame(i + 1);
        const QImage played = render(reference);
        swf::Player jumper;
        QVERIFY(jumper.loadBytes(b.finish()));
        jumper.gotoFrame(59);
        jumper.gotoFrame(target);
        QCOMPARE(render(jumper), played);
        jumper.gotoFrame(0);
        jumper.gotoFrame(target);  // forward from the start
        QCOMPARE(render(jumper), played);
    }
}

void SwfRenderTest::staticText() {
    SwfBuilder b = stage();
    // Glyph outlines are in em units, 1024 to the em; the builder scales its pixels by 20,
    // so 25.6 builder pixels are half an em. This glyph fills the em's lower left quarter.
    ShapeBuilder square;
    square.rectangle(QRectF(0, -25.6, 25.6, 25.6), 1);
    const int font = b.defineFont({square, square});
    b.place(1, b.defineText(font, {0, 1}, 20, QPointF(20, 60), Qt::magenta, 30, 2));
    b.showFrame();
    const QImage image = renderMovie(b.finish());
    CHECK_PIXEL(image, 25, 55, Qt::magenta);
    CHECK_PIXEL(image, 55, 55, Qt::magenta);
    CHECK_PIXEL(image, 40, 55, kBackground);
    CHECK_PIXEL(image, 25, 65, kBackground);
}

void SwfRenderTest::buttonUpState() {
    SwfBuilder b = stage();
    const int up = b.defineRect(QRectF(10, 10, 30, 30), Qt::green);
    const int over = b.defineRect(QRectF(50, 50, 30, 30), Qt::red);
    swftest::Writer w;
    const int id = b.reserveId();
    w.u16(id);
    w.u8(0);  // not a menu
    w.u16(0);  // no actions
    for (auto [states, character] : {std::pair{0x01, up}, std::pair{0x02, over}}) {
        w.u8(states);
        w.u16(character);
        w.u16(1);
        w.matrix(QTransform());
        ColorTransformValues halve;
        halve.greenMult = 128;
        w.colorTransform(halve, true);
    }
    w.u8(0);
    b.rawTag(34, w.data());
    b.place(1, id);
    b.showFrame();
    const QImage image = renderMovie(b.finish());
    CHECK_PIXEL(image, 20, 20, QColor(0, 128, 0));
    CHECK_PIXEL(image, 60, 60, kBackground);
}

void SwfRenderTest::editTextBorder() {
    SwfBuilder b = SwfBuilder(8, QSize(100, 100), 12);
    b.setBackground(QColor(0, 0, 80));
    swftest::Writer w;
    const int id = b.reserveId();
    w.u16(id);
    w.rect(QRectF(200, 200, 1200, 600));  // 10,10 .. 70,40 pixels
    w.u8(0x80 | 0x04);  // has text, has colour
    w.u8(0x08);         // border
    w.rgba(Qt::black);
    w.cString("");
    w.cString("Hi");
    b.rawTag(37, w.data());
    b.place(1, id);
    b.showFrame();
    const QImage image = renderMovie(b.finish());
    CHECK_PIXEL(image, 60, 35, Qt::white);  // background inside the border
    CHECK_PIXEL(image, 80, 35, QColor(0, 0, 80));
}

void SwfRenderTest::lowQualityHasNoAntialiasing() {
    SwfBuilder b = stage();
    ShapeBuilder triangle;
    triangle.polygon(QPolygonF({QPointF(0, 0), QPointF(100, 0), QPointF(0, 73)}), triangle.addSolidFill(Qt::black));
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

void SwfRenderTest::selfNestingIsBounded() {
    // A button whose up state shows itself three times, and a sprite placing itself twice:
    // the tree they describe is infinite, the stage must not be.
    SwfBuilder b = stage();
    const int buttonId = b.reserveId();
    swftest::Writer w;
    w.u16(buttonId);
    w.u8(0);
    w.u16(0);
    for (int depth = 1; depth <= 3; ++depth) {
        w.u8(0x01);
        w.u16(buttonId);
        w.u16(depth);
        w.matrix(QTransform::fromScale(0.5, 0.5));
        w.colorTransform({}, true);
    }
    w.u8(0);
    b.rawTag(34, w.data());
    const int dot = b.defineRect(QRectF(0, 0, 4, 4), Qt::red);
    const int spriteId = b.nextId();
    SwfBuilder self(8);
    self.place(1, spriteId);
    self.place(2, spriteId, QTransform::fromTranslate(5, 5));
    self.place(3, dot);
    self.showFrame(2);
    QCOMPARE(b.defineSprite(self), spriteId);
    b.place(2, spriteId);
    b.place(1, buttonId);
    b.showFrame(3);
    QElapsedTimer timer;
    timer.start();
    swf::Player player;
    QVERIFY(player.loadBytes(b.finish()));
    for (int i = 0; i < 3; ++i) {
        render(player);
        player.advance();
    }
    QVERIFY2(timer.elapsed() < 20000, "self-nesting took too long");
}

void SwfRenderTest::damagedDefinitions_data() {
    QTest::addColumn<QByteArray>("movie");
    struct Family {
        const char* name;
        std::function<void(SwfBuilder&)> define;
    };
    ShapeBuilder curvy;
    curvy.ellipse(QRectF(0, 0, 50, 50), curvy.addRadialGradient(QPointF(25, 25), 25, {{0, Qt::red}, {255, Qt::blue}}),
                  curvy.addLine(2, Qt::black));
    const std::vector<Family> families = {
        {"shape", [&](SwfBuilder& b) { b.defineShape(curvy, 4); }},
        {"morph", [&](SwfBuilder& b) { b.defineMorphShape(curvy, curvy, {Qt::red}, {Qt::blue}, {{1, 2, Qt::black, Qt::red}}, 2); }},
        {"lossless", [](SwfBuilder& b) { b.defineBitsLossless(checkerImage().scaled(64, 64), true); }},
        {"colour-mapped", [](SwfBuilder& b) {
             b.defineBitsLossless(checkerImage().scaled(64, 64), false, swftest::LosslessFormat::ColorMapped8);
         }},
        {"jpeg3", [](SwfBuilder& b) { b.defineBitsJpeg3(checkerImage().scaled(64, 64)); }},
        {"font", [&](SwfBuilder& b) { b.defineFont({curvy, curvy}); }},
        {"sprite", [&](SwfBuilder& b) {
             SwfBuilder inner(8);
             inner.place(1, 7);
             inner.showFrame(3);
             b.defineSprite(inner);
         }},
    };
    for (const Family& family : families) {
        for (double fraction : {0.0, 0.1, 0.5, 0.9}) {
            SwfBuilder b(8, QSize(100, 100), 12);
            family.define(b);
            QTest::newRow(qPrintable(QStringLiteral("%1 cut to %2%").arg(family.name).arg(fraction * 100)))
                << cutFirstTag(b, fraction);
        }
    }
}

void SwfRenderTest::damagedDefinitions() {
    QFETCH(QByteArray, movie);
    swf::Player player;
    QVERIFY2(player.loadBytes(movie), qPrintable(player.errorText()));
    for (int i = 0; i < 3; ++i) {
        const QImage image = render(player);
        CHECK_PIXEL(image, 99, 99, kBackground);  // the rest of the movie still draws
        player.advance();
    }
}

QTEST_MAIN(SwfRenderTest)
#include "swf_render_test.moc"
