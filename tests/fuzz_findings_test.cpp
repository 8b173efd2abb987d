// Inputs the fuzz targets found mishandled, rebuilt in code, each beside the well-formed
// case it was mutated from.
#include "swf/format/bitmaps.h"
#include "swf/io/reader.h"

#include <QTest>

namespace {

QByteArray le16(int value) {
    QByteArray out;
    out.append(char(value & 0xff)).append(char((value >> 8) & 0xff));
    return out;
}

// A GIF whose single 1 x 1 frame sits on a logical screen of the given size.
QByteArray gifOnScreen(int width, int height) {
    QByteArray gif("GIF89a");
    gif += le16(width) + le16(height);
    gif += QByteArray::fromHex("800000" "000000" "ffffff");        // two-colour table
    gif += ',' + le16(0) + le16(0) + le16(1) + le16(1) + char(0);  // the frame
    gif += QByteArray::fromHex("0202440100") + ';';                // clear, index 0, end
    return gif;
}

}  // namespace

class FuzzFindingsTest : public QObject {
    Q_OBJECT

private slots:
    void encodedBitmapSizes_data();
    void encodedBitmapSizes();
};

void FuzzFindingsTest::encodedBitmapSizes_data() {
    QTest::addColumn<int>("tag");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QSize>("size");  // invalid: refused
    // A reader announces the frame's size but makes an image of the screen's: a few bytes
    // asked for up to Qt's own allocation limit, past the engine's bounds.
    const struct {
        const char* name;
        int width, height;
        QSize size;
    } screens[] = {
        {"1 x 1", 1, 1, QSize(1, 1)},
        {"widest accepted", swf::format::kMaxBitmapDimension, 2, QSize(swf::format::kMaxBitmapDimension, 2)},
        {"wider than accepted", swf::format::kMaxBitmapDimension + 1, 2, QSize()},
        {"16393 x 9", 16393, 9, QSize()},
        {"65535 x 480", 65535, 480, QSize()},
        {"more pixels than accepted", 4100, 4100, QSize()},
    };
    for (const auto& screen : screens) {
        const QByteArray gif = gifOnScreen(screen.width, screen.height);
        QTest::addRow("JPEG2 %s", screen.name) << 21 << gif << screen.size;
        QByteArray jpeg3;
        jpeg3 += le16(int(gif.size())) + le16(0) + gif;
        QTest::addRow("JPEG3 %s", screen.name) << 35 << jpeg3 << screen.size;
    }
}

void FuzzFindingsTest::encodedBitmapSizes() {
    QFETCH(int, tag);
    QFETCH(QByteArray, body);
    QFETCH(QSize, size);
    swf::io::Reader reader(body);
    swf::format::BitmapData bitmap;
    QString problem;
    QVERIFY(swf::format::readBitmap(reader, tag, {}, bitmap, problem));
    const QImage image = swf::format::decodeBitmap(bitmap, problem);
    if (!size.isValid()) QVERIFY2(image.isNull(), qPrintable(QStringLiteral("%1 x %2").arg(image.width()).arg(image.height())));
    else QCOMPARE(image.size(), size);
}

QTEST_MAIN(FuzzFindingsTest)
#include "fuzz_findings_test.moc"
