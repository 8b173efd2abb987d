// Drawing of bitmaps, text, buttons and edit text, and damaged variants of each definition
// that must load and draw without harm.
#include "buttons.h"
#include "render_check.h"
#include "swf/Player.h"
#include "swf/render/glyph_coverage.h"
#include "swf/render/text_layout.h"
#include "swf_builder.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QPainterPath>
#include <QTest>

using namespace swftest;

Q_DECLARE_METATYPE(swftest::ColorTransformValues)

namespace {

// The process setting device text needs, made before QTEST_MAIN's application exists.
const bool kProcessPrepared = (swf::Player::prepareProcess(), true);

QImage checkerImage() {
    QImage image(4, 4, QImage::Format_ARGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, ((x + y) % 2) ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    image.setPixel(0, 0, qRgb(0, 255, 0));
    return image;
}

// Moves a JPEG's DQT and DHT segments into a separate tables stream, as DefineBits wants.
std::pair<QByteArray, QByteArray> splitJpegTables(const QByteArray& jpeg) {
    QByteArray tables("\xff\xd8", 2), image("\xff\xd8", 2);
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xff) {
        const quint8 marker = quint8(jpeg[at + 1]);
        if (marker == 0xda) break; // start of scan: the rest is image data
        const int length = (quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]);
        const QByteArray segment = jpeg.mid(at, 2 + length);
        (marker == 0xdb || marker == 0xc4 ? tables : image) += segment;
        at += 2 + length;
    }
    tables += QByteArray("\xff\xd9", 2);
    image += jpeg.mid(at);
    return {tables, image};
}

// A movie whose first tag's body is cut to fraction of its length (header rewritten).
QByteArray cutFirstTag(const SwfBuilder& builder, double fraction) {
    const QByteArray tags = builder.tagBytes();
    const quint16 codeAndLength = quint8(tags[0]) | (quint8(tags[1]) << 8);
    int headerSize = 2;
    qint64 length = codeAndLength & 0x3f;
    if (length == 0x3f) {
        headerSize = 6;
        length = quint8(tags[2]) | (quint8(tags[3]) << 8) | (quint8(tags[4]) << 16) |
                 (qint64(quint8(tags[5])) << 24);
    }
    const qint64 kept = qint64(length * fraction);
    SwfBuilder movie(8, QSize(100, 100), 12);
    movie.setBackground(kBackground);
    movie.rawTag(codeAndLength >> 6, tags.mid(headerSize, kept), true);
    movie.rawTag(26, {}); // an empty PlaceObject2: broken too
    movie.place(1, 1);
    movie.showFrame();
    return movie.finish();
}

// A font of two glyphs, 'A' (the lower left quarter of the em filled, as in static text) and
// an empty space, each a full em wide unless told. Ascent 16 pixels at 20-pixel text.
int boxFont(SwfBuilder& b, int advance = 1024) {
    ShapeBuilder square;
    square.rectangle(QRectF(0, -25.6, 25.6, 25.6), 1);
    SwfBuilder::FontLayout layout;
    layout.ascent = 820;
    layout.descent = 204;
    layout.advances = {advance, 1024};
    return b.defineFont2({square, ShapeBuilder()}, {'A', ' '}, QStringLiteral("Boxes"), 2, layout);
}

// A DefineEditText written out for the layout fields the builder leaves out: 20-pixel black
// text in an embedded font, with a left margin and indent (twips) when given.
int layoutField(SwfBuilder& b, const QRectF& bounds, int font, const QByteArray& text,
                std::optional<std::pair<int, int>> marginAndIndent = {}) {
    Writer w;
    const int id = b.reserveId();
    w.u16(id);
    w.rect(QRectF(bounds.topLeft() * 20, bounds.size() * 20));
    w.u8(0x80 | 0x04 | 0x01);                  // has text, colour, font
    w.u8((marginAndIndent ? 0x20 : 0) | 0x01); // has layout, uses outlines
    w.u16(font);
    w.u16(400);
    w.rgba(Qt::black);
    if (marginAndIndent) {
        w.u8(0); // align left
        w.u16(marginAndIndent->first);
        w.u16(0);
        w.s16(marginAndIndent->second);
        w.s16(0);
    }
    w.cString("");
    w.cString(text.constData());
    b.rawTag(37, w.data());
    return id;
}

} // namespace

class SwfRenderAssetsTest : public QObject {
    Q_OBJECT

  private slots:
    // Text, buttons and fields drawn once: the colours at chosen points of the stage.
    void pictures_data() {
        QTest::addColumn<QByteArray>("movie");
        QTest::addColumn<Probes>("probes");
        const QColor bg = kBackground;
        for (int version : {1, 2, 3}) {
            // Glyph outlines are in em units, 1024 to the em (20480 for DefineFont3); the builder
            // scales its pixels by 20. This glyph fills the em's lower left quarter.
            SwfBuilder b = stage();
            const double half = version == 3 ? 512 : 25.6;
            ShapeBuilder square;
            square.rectangle(QRectF(0, -half, half, half), 1);
            const int font = version == 1 ? b.defineFont({square, square})
                                          : b.defineFont2({square, square}, {'a', 'b'}, "Test", version);
            b.place(1, b.defineText(font, {0, 1}, 20, QPointF(20, 60), Qt::magenta, 30, 2));
            QTest::addRow("static text, DefineFont%d", version)
                << shown(b)
                << Probes{{25, 55, Qt::magenta}, {55, 55, Qt::magenta}, {40, 55, bg}, {25, 65, bg}};
        }
        // Left margin and indent in twips; the field starts at x 10 and its text 2 pixels in.
        const struct {
            const char* name;
            int margin, indent, x;
        } indents[] = {{"no indent", 0, 0, 12},
                       {"indent", 0, 40, 14},
                       {"negative indent stops at the gutter", 0, -200, 12},
                       {"negative indent takes back margin", 160, -80, 16},
                       {"most negative indent", 160, -32768, 12}};
        for (const auto& row : indents) {
            SwfBuilder b = stage();
            b.place(1, layoutField(b, QRectF(10, 10, 80, 40), boxFont(b), "A",
                                   std::pair(row.margin, row.indent)));
            const int x = row.x;
            QTest::newRow(row.name) << shown(b)
                                    << Probes{{x + 1, 23, Qt::black},
                                              {x + 8, 23, Qt::black},
                                              {x - 1, 23, bg},
                                              {x + 11, 23, bg}};
        }
        // Text starts at 12 pixels (240 twips); each advance (em units at 20-pixel text) counts
        // in whole twips, each glyph's place rounds to a quarter pixel (5 twips). The last
        // glyph's left edge: the pixel it starts in is covered by what lies right of it.
        const struct {
            const char* name;
            int advance, glyphs;
            double lastX;
        } grid[] = {{"fraction of a twip dropped", 1023, 3, 52.0},   // 240 + 2 * 399
                    {"drops add up over a line", 1010, 5, 90.75},    // 240 + 4 * 394
                    {"rounds up to the quarter", 1018, 2, 31.75},    // 240 + 397
                    {"rounds down to the quarter", 1032, 2, 32.25}}; // 240 + 403
        for (const auto& row : grid) {
            SwfBuilder b(8, QSize(200, 60), 12);
            b.setBackground(bg);
            b.place(1, layoutField(b, QRectF(10, 10, 180, 40), boxFont(b, row.advance),
                                   QByteArray(row.glyphs, 'A')));
            const int column = int(std::floor(row.lastX));
            const int shade = int(std::lround(255 * (row.lastX - column)));
            QTest::newRow(row.name) << shown(b)
                                    << Probes{{column - 1, 23, bg},
                                              {column, 23, QColor(shade, shade, shade)},
                                              {column + 1, 23, Qt::black}};
        }
        // A border a fraction of a pixel off is still one crisp column, not two half-tone ones.
        for (auto [x, borderX] : {std::pair{10.0, 10}, {10.4, 10}, {10.5, 11}, {10.6, 11}}) {
            SwfBuilder b(8, QSize(100, 100), 12);
            b.setBackground(QColor(0, 0, 80));
            SwfBuilder::EditText field;
            field.bounds = QRectF(0, 0, 40, 20);
            field.border = true;
            b.place(1, b.defineEditText(field), QTransform::fromTranslate(x, 30));
            QTest::addRow("field border at x %g", x) << shown(b)
                                                     << Probes{{borderX - 1, 40, QColor(0, 0, 80)},
                                                               {borderX, 40, Qt::black},
                                                               {borderX + 1, 40, Qt::white}};
        }
        {
            SwfBuilder b = stage();
            const int up = b.defineRect(QRectF(10, 10, 30, 30), Qt::green);
            const int over = b.defineRect(QRectF(50, 50, 30, 30), Qt::red);
            const ColorTransformValues halve{.greenMult = 128};
            b.place(1, defineButton2(b, {{0x01, up, halve}, {0x02, over, halve}}));
            QTest::newRow("button shows its up state")
                << shown(b) << Probes{{20, 20, QColor(0, 128, 0)}, {60, 60, bg}};
        }
        {
            // DefineButton has no colour transform of its own; DefineButtonCxform supplies one.
            SwfBuilder b = stage();
            const int id =
                defineButton1(b, {{0x01, b.defineRect(QRectF(10, 10, 30, 30), QColor(200, 200, 200))}},
                              QByteArray(1, '\0'));
            Writer cx;
            cx.u16(id);
            cx.colorTransform(ColorTransformValues{.redMult = 128, .greenMult = 128}, false);
            b.rawTag(23, cx.data());
            b.place(1, id);
            QTest::newRow("first button with a colour transform")
                << shown(b) << Probes{{20, 20, QColor(100, 100, 200)}};
        }
    }
    void pictures() {
        QFETCH(QByteArray, movie);
        QFETCH(Probes, probes);
        checkProbes(renderMovie(movie), probes);
    }

    void bitmaps_data() {
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
        QTest::newRow("DefineBits with JPEGTables") << "tables" << 60;
    }

    void bitmaps() {
        QFETCH(QString, kind);
        QFETCH(int, tolerance);
        SwfBuilder b = stage();
        const QImage checker = checkerImage();
        QImage big = checker.scaled(16, 16); // JPEG needs blocks of one colour to stay close
        int id = 0;
        if (kind == "lossless32") id = b.defineBitsLossless(checker, false);
        if (kind == "lossless2") id = b.defineBitsLossless(checker, true);
        if (kind == "mapped")
            id = b.defineBitsLossless(checker, false, swftest::LosslessFormat::ColorMapped8);
        if (kind == "mapped2")
            id = b.defineBitsLossless(checker, true, swftest::LosslessFormat::ColorMapped8);
        if (kind == "rgb15") id = b.defineBitsLossless(checker, false, swftest::LosslessFormat::Rgb15);
        if (kind == "jpeg2") id = b.defineBitsJpeg2(big);
        if (kind == "jpeg2bad") id = b.defineBitsJpeg2(big, true);
        if (kind == "png") id = b.defineBitsJpeg2(checker, false, "PNG");
        if (kind == "tables") {
            // The quantisation and Huffman tables go to JPEGTables; the image alone cannot decode.
            QByteArray jpeg;
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            big.save(&buffer, "JPEG", 95);
            const auto [tables, image] = splitJpegTables(jpeg);
            QVERIFY(QImage::fromData(image).isNull());
            b.jpegTables(tables);
            id = b.defineBits(image);
        }
        if (kind == "jpeg3") {
            QImage withAlpha = big.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < 16; ++y)
                for (int x = 8; x < 16; ++x)
                    withAlpha.setPixel(x, y, qRgba(0, 0, 0, 0));
            id = b.defineBitsJpeg3(withAlpha);
        }
        // The bitmap covers 10,10 .. 50,50 whatever its pixel count: ten stage pixels a cell.
        const double zoom = kind.startsWith("jpeg") || kind == "tables" ? 2.5 : 10.0;
        ShapeBuilder shape;
        const int fill =
            shape.addBitmapFill(id, QTransform().translate(10, 10).scale(zoom, zoom), false, false);
        shape.rectangle(QRectF(10, 10, 40, 40), fill);
        b.place(1, b.defineShape(shape, 3));
        // JPEG3's right half is transparent.
        const Probe right = kind == "jpeg3" ? Probe{45, 25, kBackground} : Probe{45, 25, Qt::blue, tolerance};
        checkProbes(
            renderMovie(shown(b)),
            {{15, 15, Qt::green, tolerance}, {25, 15, Qt::red, tolerance}, right, {70, 70, kBackground}});
    }

    void editTextLeavesOutLinesCutAtTheFoot_data() {
        QTest::addColumn<bool>("useOutlines");
        QTest::addColumn<double>("height");
        QTest::addColumn<bool>("thirdShown");
        // Lines of 20 pixels under a 2-pixel gutter: three need 64 pixels of box. At 60 the third
        // line's glyph would still be inside the box, above its foot.
        QTest::newRow("embedded, fits") << true << 64.0 << true;
        QTest::newRow("embedded, cut") << true << 60.0 << false;
        QTest::newRow("device, fits") << false << 80.0 << true;
        QTest::newRow("device, cut") << false << 60.0 << false;
    }

    void editTextLeavesOutLinesCutAtTheFoot() {
        QFETCH(bool, useOutlines);
        QFETCH(double, height);
        QFETCH(bool, thirdShown);
        SwfBuilder b = stage();
        SwfBuilder::EditText field;
        field.bounds = QRectF(10, 10, 80, height);
        field.fontHeight = 20;
        field.multiline = true;
        field.useOutlines = useOutlines;
        if (useOutlines) {
            field.fontId = boxFont(b);
            field.text = QStringLiteral("A\rA\rA");
        } else {
            field.fontClass = QStringLiteral("_sans");
            field.text = QStringLiteral("I\rI\rIIIIIIIIII");
        }
        b.place(1, b.defineEditText(field));
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        if (useOutlines) {
            // The third glyph stands between 58 and 68, inside a box that ends at 70 or 74.
            CHECK_PIXEL(image, 17, 23, Qt::black);
            CHECK_PIXEL(image, 17, 63, thirdShown ? Qt::black : kBackground);
            return;
        }
        // Device text: only the third line is wide; anything drawn right of the first two lines'
        // single letter belongs to it.
        int inked = 0;
        for (int y = 10; y < 10 + int(height); ++y)
            for (int x = 30; x < 90; ++x)
                inked += qGray(image.pixel(x, y)) < 128;
        QCOMPARE(inked > 0, thirdShown);
    }

    void flippedClippedBitmapsAtAnyScale() {
        // Found by fuzzing: a clipped fill flipped and stretched, drawn very small, brought
        // QPainter's transformed-image drawing down.
        SwfBuilder b(8, QSize(46, 5), 12);
        const int bitmap = b.defineBitsLossless(checkerImage().scaled(37, 3), false);
        ShapeBuilder shape;
        shape.rectangle(
            QRectF(0, -20, 40, 20),
            shape.addBitmapFill(bitmap, QTransform::fromScale(20.3662 / 20, -4.0 / 20), false, true));
        b.place(1, b.defineShape(shape, 3), QTransform::fromTranslate(25, 25));
        b.showFrame();
        swf::Player player;
        QVERIFY(player.loadBytes(b.finish()));
        for (double scale : {0.0688, 0.5, 1.0, 7.0}) {
            QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&image);
            player.render(painter, QTransform::fromScale(scale, scale), swf::Quality::High);
        }
    }

    void selfNestingIsBounded() {
        // A button whose up state shows itself three times, and a sprite placing itself twice:
        // the tree they describe is infinite, the stage must not be.
        SwfBuilder b = stage();
        const int buttonId = b.nextId();
        const QTransform half = QTransform::fromScale(0.5, 0.5);
        QCOMPARE(defineButton2(b, {{0x01, buttonId, {}, 1, half},
                                   {0x01, buttonId, {}, 2, half},
                                   {0x01, buttonId, {}, 3, half}}),
                 buttonId);
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

    void damagedDefinitions_data() {
        QTest::addColumn<QByteArray>("movie");
        struct Family {
            const char* name;
            std::function<void(SwfBuilder&)> define;
        };
        ShapeBuilder curvy;
        curvy.ellipse(QRectF(0, 0, 50, 50),
                      curvy.addRadialGradient(QPointF(25, 25), 25, {{0, Qt::red}, {255, Qt::blue}}),
                      curvy.addLine(2, Qt::black));
        const std::vector<Family> families = {
            {"shape", [&](SwfBuilder& b) { b.defineShape(curvy, 4); }},
            {"morph",
             [&](SwfBuilder& b) {
                 b.defineMorphShape(curvy, curvy, {Qt::red}, {Qt::blue}, {{1, 2, Qt::black, Qt::red}}, 2);
             }},
            {"lossless", [](SwfBuilder& b) { b.defineBitsLossless(checkerImage().scaled(64, 64), true); }},
            {"colour-mapped",
             [](SwfBuilder& b) {
                 b.defineBitsLossless(checkerImage().scaled(64, 64), false,
                                      swftest::LosslessFormat::ColorMapped8);
             }},
            {"jpeg3", [](SwfBuilder& b) { b.defineBitsJpeg3(checkerImage().scaled(64, 64)); }},
            {"font",
             [&](SwfBuilder& b) {
                 b.defineFont({curvy, curvy});
             }},
            {"sprite",
             [&](SwfBuilder& b) {
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
                QTest::newRow(
                    qPrintable(QStringLiteral("%1 cut to %2%").arg(family.name).arg(fraction * 100)))
                    << cutFirstTag(b, fraction);
            }
        }
    }

    void damagedDefinitions() {
        QFETCH(QByteArray, movie);
        swf::Player player;
        QVERIFY2(player.loadBytes(movie), qPrintable(player.errorText()));
        for (int i = 0; i < 3; ++i) {
            const QImage image = render(player);
            CHECK_PIXEL(image, 99, 99, kBackground); // the rest of the movie still draws
            player.advance();
        }
    }

    void htmlEditText() {
        // Font sizes in the movie's HTML are pixels: a 40-pixel red X is far taller than the
        // 12-pixel default text around it.
        SwfBuilder b = stage();
        SwfBuilder::EditText field;
        field.bounds = QRectF(0, 0, 100, 100);
        field.html = true;
        field.fontClass = QStringLiteral("_sans");
        field.text = QStringLiteral("<p><font color=\"#ff0000\" size=\"40\">X</font><b>b</b></p>");
        b.place(1, b.defineEditText(field));
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        int lowest = -1, red = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                if (near(image.pixel(x, y), Qt::red, 60)) {
                    ++red;
                    lowest = y;
                }
        QVERIFY2(red > 40, qPrintable(QString::number(red)));
        QVERIFY2(lowest > 25, qPrintable(QString::number(lowest)));
    }

    void glyphFillCoverage_data() {
        QTest::addColumn<QPainterPath>("path");
        QPainterPath halfAcross;
        halfAcross.addRect(QRectF(1.25, 0, 2.5, 3));
        QTest::newRow("rectangle off the grid") << halfAcross;
        QPainterPath disc;
        disc.addEllipse(QPointF(4.3, 3.7), 3.1, 3.1);
        QTest::newRow("disc") << disc;
        QPainterPath ring;
        ring.addEllipse(QPointF(4.5, 4.2), 3.8, 3.8);
        ring.addEllipse(QPointF(4.5, 4.2), 2.4, 2.4);
        ring.setFillRule(Qt::OddEvenFill);
        QTest::newRow("ring") << ring;
        QPainterPath triangle;
        triangle.moveTo(0.2, 0.1);
        triangle.lineTo(7.6, 2.3);
        triangle.lineTo(1.9, 6.8);
        triangle.closeSubpath();
        QTest::newRow("slanted edges") << triangle;
    }

    void glyphFillCoverage() {
        // Each pixel's grey is the share of it the outline covers: curves keep their true shape
        // instead of a rasterizer's coarse chords, which would put round edges a shade off.
        QFETCH(QPainterPath, path);
        const QRect pixels(0, 0, 10, 10);
        const QImage coverage = swf::render::pathCoverage(path, pixels, 16);
        QCOMPARE(coverage.size(), pixels.size());
        constexpr int kFine = 64;
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x) {
                int inside = 0;
                for (int j = 0; j < kFine; ++j)
                    for (int i = 0; i < kFine; ++i)
                        inside += path.contains(QPointF(x + (i + 0.5) / kFine, y + (j + 0.5) / kFine));
                const int exact = (inside * 255 + kFine * kFine / 2) / (kFine * kFine);
                const int got = coverage.constScanLine(y)[x];
                QVERIFY2(
                    std::abs(got - exact) <= 6,
                    qPrintable(
                        QStringLiteral("pixel %1,%2: %3, area gives %4").arg(x).arg(y).arg(got).arg(exact)));
            }
    }

    void deviceGlyphsAreHinted_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QChar>("character");
        QTest::addColumn<bool>("drawable");
        QTest::addColumn<bool>("inked");
        QTest::newRow("stem of l") << QStringLiteral("DejaVu Sans") << QChar('l') << true << true;
        QTest::newRow("stems of H") << QStringLiteral("Liberation Sans") << QChar('H') << true << true;
        QTest::newRow("space") << QStringLiteral("DejaVu Sans") << QChar(' ') << true << false;
    }

    void deviceGlyphsAreHinted() {
        // Device text's stems stand on whole pixels: some column of the glyph is solid ink.
        QFETCH(QString, family);
        QFETCH(QChar, character);
        QFETCH(bool, inked);
        QFont font(family);
        font.setPixelSize(12);
        const QRawFont raw = QRawFont::fromFont(font);
        if (raw.familyName() != family) QSKIP("font not installed");
        const QList<quint32> indexes = raw.glyphIndexesForString(QString(character));
        QCOMPARE(indexes.size(), 1);
        const swf::render::GlyphCoverage glyph = swf::render::hintedGlyphCoverage(raw, indexes[0]);
        QTEST(glyph.drawable, "drawable");
        QCOMPARE(!glyph.alpha.isNull(), inked);
        if (!inked) return;
        // The glyph sits on its baseline, above it.
        QVERIFY(glyph.offset.y() < 0);
        QVERIFY(glyph.offset.y() + glyph.alpha.height() <= 1);
        bool solidColumn = false;
        for (int x = 0; x < glyph.alpha.width() && !solidColumn; ++x) {
            bool solid = true;
            for (int y = 1; y + 1 < glyph.alpha.height(); ++y)
                solid = solid && glyph.alpha.constScanLine(y)[x] == 255;
            solidColumn = solid;
        }
        QVERIFY(solidColumn);
    }

    void colorTransformedBitmaps_data() {
        QTest::addColumn<ColorTransformValues>("cx");
        QTest::addColumn<bool>("repeat");
        for (bool repeat : {false, true}) {
            const char* fill = repeat ? "repeating" : "clipped";
            QTest::addRow("%s, faded", fill) << ColorTransformValues{.alphaMult = 128} << repeat;
            QTest::addRow("%s, tinted and faded", fill)
                << ColorTransformValues{.redMult = 128, .alphaMult = 128, .blueAdd = 100} << repeat;
            QTest::addRow("%s, faded by an alpha offset", fill)
                << ColorTransformValues{.alphaAdd = -128} << repeat;
            QTest::addRow("%s, tinted", fill)
                << ColorTransformValues{.greenMult = 64, .redAdd = 40} << repeat;
        }
    }

    // Fades are drawn with opacity instead of a faded copy of the bitmap; every kind of colour
    // transform must still give the colours the transform's arithmetic gives.
    void colorTransformedBitmaps() {
        QFETCH(ColorTransformValues, cx);
        QFETCH(bool, repeat);
        const QColor color(200, 100, 40);
        QImage pixels(4, 4, QImage::Format_ARGB32);
        pixels.fill(color);
        SwfBuilder b = stage();
        const int bitmap = b.defineBitsLossless(pixels, true);
        ShapeBuilder shape;
        const int fill = shape.addBitmapFill(bitmap, QTransform::fromScale(10, 10), repeat, false);
        shape.rectangle(QRectF(0, 0, 40, 40), fill);
        Place place;
        place.characterId = b.defineShape(shape, 3);
        place.matrix = QTransform::fromTranslate(10, 10);
        place.colorTransform = cx;
        b.place(place);
        b.showFrame();
        const QImage image = renderMovie(b.finish());
        auto channel = [](int value, int mult, int add) {
            return std::clamp(value * mult / 256 + add, 0, 255);
        };
        const double alpha = channel(255, cx.alphaMult, cx.alphaAdd) / 255.0;
        auto over = [&](int value) { return int(std::lround(value * alpha + 255 * (1 - alpha))); };
        const QColor expected(over(channel(color.red(), cx.redMult, cx.redAdd)),
                              over(channel(color.green(), cx.greenMult, cx.greenAdd)),
                              over(channel(color.blue(), cx.blueMult, cx.blueAdd)));
        CHECK_PIXEL(image, 30, 30, expected);
        CHECK_PIXEL(image, 70, 70, kBackground);
    }

    // Chinese text in a device font draws its glyphs: a SWF 5 movie's GBK strings in "宋体", and
    // a later movie's in a generic font. Two texts of the same characters in another order
    // would look alike if the font showed boxes.
    void chineseDeviceText_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("font");
        QTest::newRow("SWF 5, GBK, 宋体") << 5 << QStringLiteral("宋体");
        QTest::newRow("SWF 5, GBK, 黑体") << 5 << QStringLiteral("黑体");
        QTest::newRow("SWF 6, _sans") << 6 << QStringLiteral("_sans");
    }

    void chineseDeviceText() {
        QFETCH(int, version);
        QFETCH(QString, font);
        auto draw = [&](const QString& text) {
            SwfBuilder b(version, QSize(200, 60), 12);
            b.setBackground(Qt::white);
            SwfBuilder::EditText field;
            field.bounds = QRectF(5, 5, 190, 50);
            field.text = text;
            field.fontId = b.defineFont2({}, {}, font);
            field.fontHeight = 32;
            b.place(1, b.defineEditText(field));
            b.showFrame();
            return swftest::renderMovie(b.finish());
        };
        const QImage words = draw(QStringLiteral("中文字"));
        const QImage reordered = draw(QStringLiteral("字文中"));
        const QImage blank = draw(QString());
        QVERIFY(!words.isNull());
        QVERIFY(words != blank);
        QVERIFY(words != reordered);
        int inked = 0;
        for (int y = 0; y < words.height(); ++y)
            for (int x = 0; x < words.width(); ++x)
                inked += qGray(words.pixel(x, y)) < 128;
        QVERIFY2(inked > 150, qPrintable(QString::number(inked)));
    }

    // The Chinese font names movies ask for reach an installed face that holds Chinese itself,
    // not one that leaves it to a fallback of the system's choosing.
    void chineseFontNamesFindChinese_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"宋体", "新宋体", "黑体", "楷体", "仿宋_GB2312", "微软雅黑", "SimSun", "SimHei", "KaiTi"})
            QTest::newRow(name) << QString::fromUtf8(name);
    }

    void chineseFontNamesFindChinese() {
        QFETCH(QString, name);
        const QFont font(swf::render::systemFamilyFor(name));
        const QFontInfo found(font);
        QVERIFY2(QFontMetrics(font).inFontUcs4(U'中'),
                 qPrintable(name + QStringLiteral(" -> ") + found.family()));
        QVERIFY2(found.family().contains(QLatin1String("CJK")), qPrintable(found.family()));
    }

    // A paragraph is one line, as in the reference: no space above or below it, and an empty
    // paragraph is an empty line (menus and credits lay their labels out by it).
    void htmlParagraphLines_data() {
        QTest::addColumn<QString>("html");
        QTest::addColumn<int>("lines");
        QTest::newRow("one") << "<p>a</p>" << 1;
        QTest::newRow("two paragraphs") << "<p>a</p><p>b</p>" << 2;
        QTest::newRow("three with attributes")
            << "<p align=\"left\"><font size=\"12\">a</font></p><p>b</p><p>c</p>" << 3;
        QTest::newRow("leading empty paragraph") << "<p></p><p>a</p>" << 2;
        QTest::newRow("empty paragraph between") << "<p>a</p><p align=\"center\"></p><p>b</p>" << 3;
        QTest::newRow("line break") << "a<br>b" << 2;
    }

    void htmlParagraphLines() {
        QFETCH(QString, html);
        QFETCH(int, lines);
        swf::format::EditTextDefinition field;
        field.html = true;
        field.fontHeight = 240;
        field.bounds = {0, 4000, 0, 4000};
        field.initialText = QStringLiteral("<p>a</p>");
        const double line = swf::render::measureEditText(field, nullptr).height();
        QVERIFY(line > 0);
        field.initialText = html;
        const double height = swf::render::measureEditText(field, nullptr).height();
        QVERIFY2(std::abs(height - lines * line) < 0.25 * line,
                 qPrintable(QStringLiteral("%1 twips for %2 lines of %3").arg(height).arg(lines).arg(line)));
    }
};

QTEST_MAIN(SwfRenderAssetsTest)
#include "render_assets_test.moc"
