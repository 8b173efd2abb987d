// Bitmap pictures for the painter: a clipped fill's edge pixels stretched outward as far as
// the shape reaches, and a BitmapData surface seen as a premultiplied picture.
#include "swf/raster/pixel_effects.h"
#include "swf/raster/pixels.h"
#include "swf/render/script_bitmaps.h"

#include <QtTest>

using swf::render::EdgeWidening;

class ScriptBitmapsTest : public QObject {
    Q_OBJECT

  private slots:
    void rims_data() {
        QTest::addColumn<QRectF>("reach");
        QTest::addColumn<QList<int>>("rims"); // left, top, right, bottom
        QTest::newRow("inside needs none") << QRectF(0, 0, 4, 2) << QList<int>{0, 0, 0, 0};
        QTest::newRow("partial pixels round up") << QRectF(-0.5, -2, 6.2, 4) << QList<int>{1, 2, 2, 0};
        QTest::newRow("far reaches stop at the limit")
            << QRectF(-1e9, 0, 2e9, 1) << QList<int>{EdgeWidening::kMaxRim, 0, EdgeWidening::kMaxRim, 0};
    }
    void rims() {
        QFETCH(QRectF, reach);
        const EdgeWidening widening = EdgeWidening::around(QSize(4, 2), reach);
        QTEST((QList<int>{widening.left, widening.top, widening.right, widening.bottom}), "rims");
    }

    // Each added pixel repeats the nearest edge pixel, corners included.
    void edgesRepeat() {
        QImage image(2, 2, QImage::Format_ARGB32_Premultiplied);
        image.setPixel(0, 0, 0xFFFF0000);
        image.setPixel(1, 0, 0xFF00FF00);
        image.setPixel(0, 1, 0xFF0000FF);
        image.setPixel(1, 1, 0x80000000);
        const QImage widened = EdgeWidening{1, 2, 3, 1}.apply(image);
        QCOMPARE(widened.size(), QSize(6, 5));
        QCOMPARE(widened.pixel(0, 0), 0xFFFF0000u);
        QCOMPARE(widened.pixel(5, 0), 0xFF00FF00u);
        QCOMPARE(widened.pixel(0, 4), 0xFF0000FFu);
        QCOMPARE(qAlpha(widened.pixel(5, 4)), 0x80);
        QCOMPARE(widened.pixel(1, 2), 0xFFFF0000u);
    }

    // applyFilter's colour matrix works on straight colours, clamps each channel, and writes
    // only where the source rectangle lands.
    void colourMatrixOnStraightColours() {
        swf::raster::Pixels source(2, 1, true, 0x80FF4000);
        swf::raster::Pixels target(2, 1, true, 0);
        std::array<double, 20> swap{};
        swap[2] = 1;        // red from blue
        swap[5 + 0] = 1;    // green from red
        swap[10 + 4] = 300; // blue past the top
        swap[15 + 3] = 1;   // alpha kept
        swf::raster::colorMatrix(target, source, {1, 0, 5, 5}, 0, 0, swap);
        QCOMPARE(QString::number(target.pixel32(0, 0), 16), QStringLiteral("8000ffff"));
        QCOMPARE(target.pixel32(1, 0), 0u);
    }

    // The picture reads the surface's memory: a change shows without building it again.
    void surfacePictureSharesPixels() {
        swf::raster::Pixels pixels(2, 1, true, 0x80FF0000);
        const QImage before = swf::render::pictureOf(pixels);
        QCOMPARE(before.pixel(0, 0), 0x80800000u);
        pixels.setPixel32(1, 0, 0xFF00FF00);
        QCOMPARE(swf::render::pictureOf(pixels).pixel(1, 0), 0xFF00FF00u);
        pixels.release();
        QVERIFY(swf::render::pictureOf(pixels).isNull());
    }
};

QTEST_GUILESS_MAIN(ScriptBitmapsTest)
#include "script_bitmaps_test.moc"
