// Inputs the fuzz targets found mishandled, rebuilt in code, each beside the well-formed
// case it was mutated from.
#include "swf/format/bitmaps.h"
#include "swf/format/fonts.h"
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
    gif += QByteArray::fromHex("800000"
                               "000000"
                               "ffffff");                         // two-colour table
    gif += ',' + le16(0) + le16(0) + le16(1) + le16(1) + char(0); // the frame
    gif += QByteArray::fromHex("0202440100") + ';';               // clear, index 0, end
    return gif;
}

} // namespace

class FuzzFindingsTest : public QObject {
    Q_OBJECT

  private slots:
    void encodedBitmapSizes_data() {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QSize>("size"); // invalid: refused
        // A reader announces the frame's size but makes an image of the screen's: a few bytes
        // asked for up to Qt's own allocation limit, past the engine's bounds.
        const struct {
            const char* name;
            int width, height;
            QSize size;
        } screens[] = {
            {"1 x 1", 1, 1, QSize(1, 1)},
            {"widest accepted", swf::format::kMaxBitmapDimension, 2,
             QSize(swf::format::kMaxBitmapDimension, 2)},
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

    void encodedBitmapSizes() {
        QFETCH(int, tag);
        QFETCH(QByteArray, body);
        QFETCH(QSize, size);
        swf::io::Reader reader(body);
        swf::format::BitmapData bitmap;
        QString problem;
        QVERIFY(swf::format::readBitmap(reader, tag, {}, bitmap, problem));
        const QImage image = swf::format::decodeBitmap(bitmap, problem);
        if (!size.isValid())
            QVERIFY2(image.isNull(),
                     qPrintable(QStringLiteral("%1 x %2").arg(image.width()).arg(image.height())));
        else
            QCOMPARE(image.size(), size);
    }

    // A DefineText whose glyph advances add up past any int (found by the movie fuzzer): the next
    // record still starts where the last one ended.
    void textAdvancesPastAnyInt() {
        QByteArray body;
        body += QByteArray::fromHex("00"); // an empty bounds rectangle (5 bits of 0)
        body += QByteArray::fromHex("00"); // identity matrix, no scale or rotation bits
        body += char(1);                   // glyph bits
        body += char(31);                  // advance bits
        // A style record (font, height), then 8 glyphs each advancing by 2^30 - 1 twips.
        body += QByteArray::fromHex("88") + le16(1) + le16(240);
        body += char(8);
        QByteArray bits;
        for (int i = 0; i < 8; ++i)
            bits += QByteArray("0") + QByteArray("0111111111111111111111111111111");
        while (bits.size() % 8)
            bits += '0';
        for (int at = 0; at < bits.size(); at += 8)
            body += char(bits.mid(at, 8).toUInt(nullptr, 2));
        body += QByteArray::fromHex("80") + char(1) +
                QByteArray(4, '\0'); // a second record: one glyph, no advance
        body += char(0);
        swf::io::Reader reader(body);
        swf::format::TextDefinition text;
        QString problem;
        QVERIFY(swf::format::readText(reader, 1, text, problem));
        QCOMPARE(int(text.records.size()), 2);
        QCOMPARE(text.records[1].x, 8.0 * ((1 << 30) - 1));
    }
};

QTEST_MAIN(FuzzFindingsTest)
#include "fuzz_findings_test.moc"
